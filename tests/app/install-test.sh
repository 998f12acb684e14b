#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that it is laid out as a desktop program:
# the executable, its help file and the help reader together, a link in bin that runs, the
# desktop entry and icon.
set -euo pipefail
build="$1"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" > /dev/null

for f in lib/brunovelt/brunovelt lib/brunovelt/brunovelt-help-reader lib/brunovelt/QUARN.chm share/applications/brunovelt.desktop \
         share/icons/hicolor/48x48/apps/brunovelt.png share/icons/hicolor/scalable/apps/brunovelt.svg; do
  [ -f "$prefix/$f" ] || { echo "missing: $f"; exit 1; }
done
[ -L "$prefix/bin/brunovelt" ] || { echo "bin/brunovelt is not a link"; exit 1; }
# The program finds its help beside the file the link resolves to.
[ "$(dirname "$(readlink -f "$prefix/bin/brunovelt")")" = "$(readlink -f "$prefix/lib/brunovelt")" ] ||
  { echo "bin/brunovelt does not lead to lib/brunovelt"; exit 1; }
# The help reader reads the installed help.
"$prefix/lib/brunovelt/brunovelt-help-reader" "$prefix/lib/brunovelt/QUARN.chm" > /dev/null ||
  { echo "the help reader cannot read the installed help"; exit 1; }
version="$("$prefix/bin/brunovelt" --version)"
[ "$version" = "Brunovelt Version 1.10" ] || { echo "unexpected version: $version"; exit 1; }
echo "installed layout ok"
