#!/usr/bin/env bash
# Packs the package build ("$1", default build-package) a second time and compares the two .deb
# files byte for byte: with SOURCE_DATE_EPOCH set, the same build must give the same package.
set -euo pipefail
build=${1:-build-package}
debs=("$build"/brunovelt_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "expected one package in $build"; exit 1; }
[ -n "${SOURCE_DATE_EPOCH:-}" ] || { echo "SOURCE_DATE_EPOCH is not set"; exit 1; }
first=$(mktemp)
trap 'rm -f "$first"' EXIT
cp "${debs[0]}" "$first"
(cd "$build" && cpack -G DEB > /dev/null)
if ! cmp "$first" "${debs[0]}"; then
  echo "a second packing of the same build differs"
  exit 1
fi
echo "package reproducible: $(sha256sum < "$first" | cut -d' ' -f1)"
