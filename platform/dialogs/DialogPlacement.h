#pragma once

class QWidget;

// Places the window `dialog` so that its frame is centred on its owner's frame (the window of its
// parent widget) as the window system reports it, kept on the owner's screen. Meant for the
// dialog's show event, before the window is mapped: its own frame is not known yet, so the
// owner's frame margins, drawn by the same window manager, stand in for it. Nothing happens
// without an owner on screen.
void CentreOverOwner(QWidget& dialog);
