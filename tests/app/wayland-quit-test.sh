#!/usr/bin/env bash
# Starts the program ("$1") on the compositor of run-under-weston.sh and ends it as the desktop
# ends it at log-out (SIGTERM), several times: each start shows its window, and each ends within
# ten seconds with status 0 and its log saved. Qt's Wayland teardown can hang at random, so one
# start proves little.
set -euo pipefail
program="$1"
starts=8

home=$(mktemp -d)
trap 'kill -KILL "${pid:-}" 2>/dev/null || true; rm -rf "$home"' EXIT
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
  XDG_STATE_HOME="$home/state" XDG_RUNTIME_DIR="$home/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
log="$XDG_DATA_HOME/Halsk/Brunovelt/計算Log.txt"
mkdir -p "$(dirname "$log")"
printf '1+1\r\n2\r\n' >"$log"

for start in $(seq "$starts"); do
  rm -f "$home/probe"
  BRUNOVELT_STARTUP_PROBE="$home/probe" "$program" &
  pid=$!
  for _ in $(seq 300); do
    [ -s "$home/probe" ] && break
    sleep 0.05
  done
  [ -s "$home/probe" ] || { echo "start $start: no window within 15 seconds"; exit 1; }
  kill -TERM "$pid"
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "start $start: still running ten seconds after SIGTERM"
    exit 1
  fi
  status=0
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] || { echo "start $start: ended with status $status"; exit 1; }
  [ "$(cat "$log")" = "$(printf '1+1\r\n2\r\n')" ] || { echo "start $start: the log changed"; exit 1; }
done
echo "$starts starts on Wayland each ended on SIGTERM with status 0"
