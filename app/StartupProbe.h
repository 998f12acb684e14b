#pragma once

// For measuring start-up (bench/startup-bench.sh): when the environment variable
// BRUNOVELT_STARTUP_PROBE names a file, appends to it one line with the wall-clock time in
// nanoseconds since the epoch and the resident memory in KiB, to be called once the window is
// shown and painted. Does nothing otherwise; a file that cannot be written is skipped.
void WriteStartupProbe();
