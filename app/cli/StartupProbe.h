#pragma once

#include <cstdint>

class QWidget;

// For measuring start-up (bench/startup_bench.py): when the environment variable
// BRUNOVELT_STARTUP_PROBE names a file, appends to it one line with `shownAtNs`, the time the
// window was shown and painted as StartupProbeClock() gave it, and the resident memory in KiB.
// Does nothing otherwise; a file that cannot be written is skipped.
void WriteStartupProbe(std::int64_t shownAtNs);
// The wall-clock time in nanoseconds since the epoch.
std::int64_t StartupProbeClock();

// Writes the probe with the time of `window`'s first paint (the window shown already), once the
// work queued for after that paint is done. Needs a QApplication.
void WriteStartupProbeOncePainted(QWidget& window);
