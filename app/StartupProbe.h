#pragma once

class QWidget;

// For measuring start-up (bench/startup_bench.py): when the environment variable
// BRUNOVELT_STARTUP_PROBE names a file, appends to it one line with the wall-clock time in
// nanoseconds since the epoch and the resident memory in KiB, to be called once the window is
// shown and painted. Does nothing otherwise; a file that cannot be written is skipped.
void WriteStartupProbe();

// Writes the probe once `window`, shown already, is painted: at once when it is painted already,
// otherwise after its first paint. Needs a QApplication.
void WriteStartupProbeOncePainted(QWidget& window);
