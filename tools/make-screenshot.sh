#!/usr/bin/env bash
# Takes the software centre's screenshot, res/screenshots/main.png, from the real window on an X
# server of its own (Xvfb): the whole program started in a test process, formulas typed and
# answered, the window drawn as Qt draws it on X11. The metainfo's size of the picture follows.
#
#   tools/make-screenshot.sh [BUILD_DIR]    (default build; app_tests must be built)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
BRUNOVELT_GRAB_DIR="$dir" tests/support/run-under-xvfb.sh "$build/tests/app/shell/app_tests" \
  --gtest_filter=AppTest.SoftwareCentreScreenshot
[ -s "$dir/screenshot.png" ] || { echo "no picture was taken"; exit 1; }
cp "$dir/screenshot.png" res/screenshots/main.png
# The metainfo states the picture's size: a PNG's width and height are bytes 17 to 24.
read -r width height < <(od -An -tu1 -j16 -N8 res/screenshots/main.png |
  awk '{ print $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }')
sed -i "s|<image type=\"source\" width=\"[0-9]*\" height=\"[0-9]*\">|<image type=\"source\" width=\"$width\" height=\"$height\">|" \
  res/jp.example.brunovelt.metainfo.xml.in
echo "res/screenshots/main.png: ${width}x$height"
