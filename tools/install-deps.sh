#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need, and only those that are
# missing, so that a machine that already has everything is not touched (and needs no network).
set -euo pipefail

packages=(
  cmake g++ make pkg-config       # toolchain
  clang libclang-rt-14-dev        # libFuzzer and the sanitizer runtimes for the fuzz targets
  libgtest-dev libgmock-dev       # unit tests
  xvfb                            # an X server of their own for the tests that need X11
  libbenchmark-dev                # bench/
  apcalc bc                       # reference calculators the command-line benchmark compares with
  locales                         # a comma-decimal locale for the locale-independence test run
  qt6-base-dev libgl-dev          # the window (Qt 6 Widgets)
  libx11-dev                      # the keyboard's lock indicators on an X display (XKB)
  fonts-ipafont-gothic            # Japanese fixed and proportional fonts (IPAGothic, IPAPGothic)
  qt6-translations-l10n           # Japanese texts of Qt's own buttons and file dialogs
  libchm-dev                      # reading the compiled help file
  fp-utils-3.2.2                  # chmcmd, which compiles the help file
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The locale-independence run needs a locale whose decimal separator is a comma.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
  "${sudo[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
