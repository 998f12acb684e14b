#!/usr/bin/env python3
"""Start-up of the calculator with an empty settings file and with a large one.

The window must not come up later because the settings file is large: the store reads it about
thirty times on the way to the first paint. Each case runs RUNS times (after one first start that
sets up the log file) in a home of its own, with a settings file that holds the real values and,
for the large case, ENTRIES more in a section the program never reads. The time counted runs from
just before the process is started to its window shown and painted (see startup_bench.py).

usage: settings_startup_bench.py BRUNOVELT [RUNS] [ENTRIES]
"""
import os
import statistics
import sys
import tempfile

from startup_bench import start_once

REAL_VALUES = """[System]
Log=1

[View]
Comma=0
TabNo=8

[Font]
FaceName=FIXEDSYS
Size=0
Weight=400
Italic=0
Underline=0
"""


def settings_text(entries):
    junk = "".join(f"Key{n}=value number {n}, \"quoted\"\n" for n in range(entries))
    return REAL_VALUES + ("\n[Junk]\n" + junk if entries else "")


def measure(command, runs, entries):
    with tempfile.TemporaryDirectory() as home:
        os.chmod(home, 0o700)
        folder = os.path.join(home, "config", "Halsk")
        os.makedirs(folder)
        with open(os.path.join(folder, "Brunovelt.conf"), "w", encoding="utf-8") as f:
            f.write(settings_text(entries))
        start_once(command, home)  # makes the log file and warms the file cache
        times = [start_once(command, home)[0] for _ in range(runs)]
    return statistics.median(times), min(times), max(times)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 9
    entries = int(sys.argv[3]) if len(sys.argv) > 3 else 20000
    results = {}
    for count in (0, entries):
        results[count] = measure([sys.argv[1]], runs, count)
        median, best, worst = results[count]
        print(f"{count:6} entries: median {median:7.1f} ms  best {best:7.1f} ms  "
              f"worst {worst:7.1f} ms")
    print(f"later by {results[entries][0] - results[0][0]:.1f} ms (goal: under 500 ms)")


if __name__ == "__main__":
    main()
