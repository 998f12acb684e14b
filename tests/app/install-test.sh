#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that it is laid out as a desktop program:
# the executable, its help file and the help reader together, a link in bin that runs, the
# desktop entry, icons and metainfo under one application id, the manual page and the license.
set -euo pipefail
build="$1"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" > /dev/null

id=jp.example.brunovelt
for f in lib/brunovelt/brunovelt lib/brunovelt/brunovelt-help-reader lib/brunovelt/QUARN.chm \
         share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/48x48/apps/$id.png share/icons/hicolor/scalable/apps/$id.svg \
         share/man/man1/brunovelt.1.gz share/doc/brunovelt/copyright; do
  [ -f "$prefix/$f" ] || { echo "missing: $f"; exit 1; }
done
# The desktop, the software centre and the icon theme find each other by the application id.
grep -qx "Icon=$id" "$prefix/share/applications/$id.desktop" ||
  { echo "the desktop entry does not name the icon $id"; exit 1; }
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$prefix/share/metainfo/$id.metainfo.xml" ||
  { echo "the metainfo does not launch $id.desktop"; exit 1; }
grep -q "<id>$id</id>" "$prefix/share/metainfo/$id.metainfo.xml" ||
  { echo "the metainfo's id is not $id"; exit 1; }
[ -L "$prefix/bin/brunovelt" ] || { echo "bin/brunovelt is not a link"; exit 1; }
# The program finds its help beside the file the link resolves to.
[ "$(dirname "$(readlink -f "$prefix/bin/brunovelt")")" = "$(readlink -f "$prefix/lib/brunovelt")" ] ||
  { echo "bin/brunovelt does not lead to lib/brunovelt"; exit 1; }
# The help reader reads the installed help.
"$prefix/lib/brunovelt/brunovelt-help-reader" "$prefix/lib/brunovelt/QUARN.chm" > /dev/null ||
  { echo "the help reader cannot read the installed help"; exit 1; }
version="$("$prefix/bin/brunovelt" --version)"
[ "$version" = "Brunovelt Version $2" ] || { echo "unexpected version: $version"; exit 1; }
# The manual page, the changelog and the metainfo describe the version the program reports.
number=${version##* }
gzip -dc "$prefix/share/man/man1/brunovelt.1.gz" | grep -q "^\.TH BRUNOVELT 1 .* \"Brunovelt $number\"" ||
  { echo "the manual page is not of version $number"; exit 1; }
gzip -dc "$prefix/share/doc/brunovelt/changelog.gz" | head -n 1 | grep -q "^brunovelt ($number) " ||
  { echo "the changelog does not begin with version $number"; exit 1; }
grep -q "<release version=\"$number\"" "$prefix/share/metainfo/$id.metainfo.xml" ||
  { echo "the metainfo names no release $number"; exit 1; }
echo "installed layout ok"
