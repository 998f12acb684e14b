#pragma once

#include <functional>

class QWidget;

// Runs `work` from the event loop once `window`, shown already, has been painted for the first
// time (at the next turn of the loop when it is painted already), so that start-up work the
// first sight of the window does not need waits until after it. Works run in the order given.
void RunAfterFirstPaint(QWidget& window, std::function<void()> work);
