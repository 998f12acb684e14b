#!/usr/bin/env bash
# Runs a test program ("$@") on an X server of its own (Xvfb) with Qt's X11 platform, for what
# only an X display shows: where the window system puts a window, the keyboard's indicators.
# Exits with 77, which ctest counts as a skip, when Xvfb is not installed.
set -euo pipefail

if ! command -v Xvfb >/dev/null; then
  echo "Xvfb is not installed: skipped"
  exit 77
fi

dir=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" 2>"$dir/log" &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; rm -rf "$dir"' EXIT

# Xvfb writes its display number once it accepts clients.
for _ in $(seq 100); do
  [ -s "$dir/display" ] && break
  sleep 0.1
done
if [ ! -s "$dir/display" ]; then
  cat "$dir/log" >&2
  exit 1
fi

# Under the sanitizers, leaks of the libraries the X11 platform loads are not ours.
export LSAN_OPTIONS="suppressions=$(dirname "$0")/x11-leaks.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

status=0
DISPLAY=":$(head -n 1 "$dir/display")" QT_QPA_PLATFORM=xcb "$@" || status=$?
exit "$status"
