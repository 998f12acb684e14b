#!/usr/bin/env python3
"""Start-up of the calculator beside a bare Qt widgets window (one plain-text editor, five buttons).

Both programs are measured on a real X server (an Xvfb of the benchmark's own on a free display,
with no window manager) and on Qt's offscreen platform. Each program runs in a home,
configuration and data folder of its own, after one first start that sets them up (for the
calculator: the log file and its settings), so that the runs measure the start a user sees every
day. The runs of the two programs alternate, so that a change in the machine's load falls on both,
in the order A B B A A B ...: a start's time depends on which program ran just before it (on a
two-core virtual machine, by several milliseconds either way), and in this order each program
follows each one equally often.
A program appends the wall-clock time and its resident memory to the file named by
BRUNOVELT_STARTUP_PROBE once its window is shown and painted, and is then ended with SIGTERM. The
time counted runs from just before the process is started to that moment.

usage: startup_bench.py BRUNOVELT MINIMAL_WINDOW [RUNS]
"""
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time

GOAL = 1.3


def start_once(command, home, platform_env):
    probe = os.path.join(home, "probe")
    if os.path.exists(probe):
        os.remove(probe)
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    env.update(platform_env)
    env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_DATA_HOME=os.path.join(home, "data"), XDG_STATE_HOME=os.path.join(home, "state"),
               XDG_CACHE_HOME=os.path.join(home, "cache"), XDG_RUNTIME_DIR=home,
               BRUNOVELT_STARTUP_PROBE=probe)
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
            if process.poll() is not None:
                raise RuntimeError(f"{command[0]} ended with {process.returncode} before its window")
            time.sleep(0.0005)
        raise RuntimeError(f"{command[0]} showed no window within 20 s")
    finally:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


class XServer:
    """An Xvfb on the first free display, which it picks and names itself (-displayfd)."""

    def __enter__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
             "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as f:
            number = f.readline().strip()
        if not number:
            self.process.kill()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number
        return self

    def __exit__(self, *exc):
        self.process.terminate()
        self.process.wait()


def measure(programs, runs, platform_env):
    """Median time, best time and median resident memory per program, runs interleaved."""
    samples = {name: [] for name, _ in programs}
    with tempfile.TemporaryDirectory() as root:
        homes = {}
        for name, command in programs:
            homes[name] = tempfile.mkdtemp(dir=root)
            os.chmod(homes[name], 0o700)
            start_once(command, homes[name], platform_env)  # sets up the folders, warms caches
        for round_number in range(runs):
            for name, command in programs if round_number % 2 == 0 else programs[::-1]:
                samples[name].append(start_once(command, homes[name], platform_env))
    results = {}
    for name, taken in samples.items():
        times = [t for t, _ in taken]
        results[name] = (statistics.median(times), min(times),
                         statistics.median(r for _, r in taken))
    return results


def report(title, results):
    print(title)
    for name, (median, best, rss) in results.items():
        print(f"  {name:18} median {median:6.1f} ms  best {best:6.1f} ms  RSS {rss / 1024:5.1f} MiB")
    ours, base = results["brunovelt"], results["bare Qt window"]
    print(f"  ratio: time {ours[0] / base[0]:.2f} (goal {GOAL}), memory {ours[2] / base[2]:.2f}")


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 30
    programs = (("brunovelt", [sys.argv[1]]), ("bare Qt window", [sys.argv[2]]))
    with open("/proc/loadavg") as f:
        print("load average", " ".join(f.read().split()[:3]))
    with XServer() as server:
        report(f"X server (Xvfb {server.display}, no window manager), {runs} runs each",
               measure(programs, runs, {"QT_QPA_PLATFORM": "xcb", "DISPLAY": server.display}))
    report(f"offscreen, {runs} runs each",
           measure(programs, runs, {"QT_QPA_PLATFORM": "offscreen"}))


if __name__ == "__main__":
    main()
