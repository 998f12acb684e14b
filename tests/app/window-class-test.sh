#!/usr/bin/env bash
# Starts the program ("$1") on the X display of run-under-xvfb.sh and checks that its window's
# WM_CLASS has the class the desktop entry ("$2") names in StartupWMClass, by which docks and
# launchers tie the window to its entry. Skipped (77) without xwininfo (x11-utils).
set -euo pipefail
program="$1"
entry="$2"
command -v xwininfo >/dev/null || { echo "xwininfo is not installed: skipped"; exit 77; }
expected=$(sed -n 's/^StartupWMClass=//p' "$entry")
[ -n "$expected" ] || { echo "the desktop entry names no StartupWMClass"; exit 1; }

home=$(mktemp -d)
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
  XDG_STATE_HOME="$home/state" XDG_RUNTIME_DIR="$home/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
"$program" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -rf "$home"' EXIT

# The top-level windows of the display with their WM_CLASS, as xwininfo lists them:
#   0x200006 "計算Log.txt - Brunovelt": ("brunovelt" "Brunovelt")  651x380+0+0  +0+0
# The main window is the one whose title ends in the program's name.
for _ in $(seq 100); do
  line=$(xwininfo -root -children | grep -m 1 ' - Brunovelt": (' || true)
  if [ -n "$line" ]; then
    class=$(sed -n 's/.*": ("[^"]*" "\([^"]*\)").*/\1/p' <<<"$line")
    if [ "$class" = "$expected" ]; then
      echo "WM_CLASS class $class matches StartupWMClass"
      exit 0
    fi
    echo "the window's WM_CLASS class is \"$class\", the desktop entry's StartupWMClass \"$expected\""
    exit 1
  fi
  sleep 0.1
done
echo "no window of the program appeared"
exit 1
