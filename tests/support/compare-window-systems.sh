#!/usr/bin/env bash
# Runs a test program ("$@") under X11 (Xvfb) and under Wayland (weston), each writing the
# rectangles it checks to BRUNOVELT_GEOMETRY_FILE, and fails when the two differ: the window must
# look the same on both. Exits with 77 (a skip) when either cannot run.
set -euo pipefail

here=$(dirname "$0")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

for system in x11 wayland; do
  case "$system" in
    x11) wrapper=run-under-xvfb.sh ;;
    wayland) wrapper=run-under-weston.sh ;;
  esac
  status=0
  BRUNOVELT_GEOMETRY_FILE="$dir/$system" "$here/$wrapper" "$@" || status=$?
  [ "$status" -eq 0 ] || exit "$status"
  if [ ! -s "$dir/$system" ]; then
    echo "the test wrote no geometry under $system"
    exit 1
  fi
done

if ! diff -u "$dir/x11" "$dir/wayland"; then
  echo "the geometry differs between X11 (-) and Wayland (+)"
  exit 1
fi
echo "X11 and Wayland geometry alike ($(wc -l <"$dir/x11") rectangles)"
