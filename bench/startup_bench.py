#!/usr/bin/env python3
"""Start-up of the calculator beside a minimal Qt widgets program.

Each program is started RUNS times in a home, configuration and data folder of its own, after one
first start that sets them up (for the calculator: the log file and its settings), so that the
runs measure the start a user sees every day. The program appends the wall-clock time and its
resident memory to the file named by BRUNOVELT_STARTUP_PROBE once its window is shown and painted,
and is then ended with SIGTERM. The time counted runs from just before the process is started to
that moment.

The yardstick runs twice: as it is, and with --japanese, when its menu and label are Japanese and
it, like the calculator, has to find and load a Japanese font.

usage: startup_bench.py BRUNOVELT MINIMAL_WINDOW [RUNS]
"""
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time


def start_once(command, home):
    probe = os.path.join(home, "probe")
    if os.path.exists(probe):
        os.remove(probe)
    env = dict(os.environ)
    env.setdefault("QT_QPA_PLATFORM", "offscreen")
    env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_DATA_HOME=os.path.join(home, "data"),
               XDG_RUNTIME_DIR=home, BRUNOVELT_STARTUP_PROBE=probe)
    started = time.time_ns()
    process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            if os.path.exists(probe):
                with open(probe) as f:
                    line = f.readline()
                if line.endswith("\n"):
                    shown, rss = (int(x) for x in line.split())
                    return (shown - started) / 1e6, rss
            time.sleep(0.001)
        raise RuntimeError(f"{command[0]} showed no window within 20 s")
    finally:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def measure(command, runs):
    with tempfile.TemporaryDirectory() as home:
        os.chmod(home, 0o700)
        start_once(command, home)  # sets up the folders and warms the file cache
        samples = [start_once(command, home) for _ in range(runs)]
    times = [t for t, _ in samples]
    rss = [r for _, r in samples]
    return statistics.median(times), min(times), statistics.median(rss)


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 20
    programs = (("brunovelt", [sys.argv[1]]),
                ("minimal Qt window", [sys.argv[2]]),
                ("same, Japanese", [sys.argv[2], "--japanese"]))
    results = {}
    for name, command in programs:
        results[name] = measure(command, runs)
        median, best, rss = results[name]
        print(f"{name:18} median {median:6.1f} ms  best {best:6.1f} ms  RSS {rss / 1024:5.1f} MiB")
    ours = results["brunovelt"]
    for name in ("minimal Qt window", "same, Japanese"):
        base = results[name]
        print(f"ratio to {name}: time {ours[0] / base[0]:.2f} (goal 1.5), "
              f"memory {ours[2] / base[2]:.2f} (goal 1.5)")

if __name__ == "__main__":
    main()
