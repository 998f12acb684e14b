#!/usr/bin/env bash
# Runs a test program ("$@") on a Wayland compositor of its own (weston's headless back end) with
# Qt's Wayland platform, so that what differs between Wayland and X11 (fonts measured at another
# resolution, window placement left to the compositor) shows in the tests that check geometry.
# Exits with 77, which ctest counts as a skip, when weston or Qt's Wayland plugin is missing or
# the compositor does not start.
set -euo pipefail

if ! command -v weston >/dev/null; then
  echo "weston is not installed: skipped"
  exit 77
fi
plugins=$(qtpaths6 --query QT_INSTALL_PLUGINS 2>/dev/null || echo /usr/lib/x86_64-linux-gnu/qt6/plugins)
if ! ls "$plugins"/platforms/libqwayland-generic.so >/dev/null 2>&1; then
  echo "Qt's Wayland platform (qt6-wayland) is not installed: skipped"
  exit 77
fi

dir=$(mktemp -d) # mode 0700, as a runtime folder must be
socket="$dir/wayland-test"
XDG_RUNTIME_DIR="$dir" weston --backend=headless-backend.so --no-config --idle-time=0 \
  --socket=wayland-test --width=1280 --height=1024 >"$dir/log" 2>&1 &
weston=$!
trap 'kill "$weston" 2>/dev/null || true; wait "$weston" 2>/dev/null || true; rm -rf "$dir"' EXIT

# weston makes its socket once it accepts clients.
for _ in $(seq 100); do
  [ -S "$socket" ] && break
  kill -0 "$weston" 2>/dev/null || break
  sleep 0.1
done
if [ ! -S "$socket" ]; then
  echo "weston did not start: skipped"
  cat "$dir/log"
  exit 77
fi

# Under the sanitizers, leaks of the libraries Qt's Wayland platform loads are not ours.
export LSAN_OPTIONS="suppressions=$(dirname "$0")/wayland-leaks.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

# An absolute WAYLAND_DISPLAY, as the tests give themselves a runtime folder of their own.
status=0
WAYLAND_DISPLAY="$socket" QT_QPA_PLATFORM=wayland "$@" || status=$?
exit "$status"
