#!/usr/bin/env bash
# Installs the Debian packages that one or more profiles need, and only those that are missing, so
# that a machine that already has everything is not touched (and needs no network).
#
#   tools/install-deps.sh [PROFILE ...]    PROFILE: run, test, bench, package, fresh (none: all of them)
#
#   run      build and start the program: the executable, its help reader and its help file
#   test     every test of make test: unit tests (and the benchmarks they build beside them), the
#            sanitizer build under a comma-decimal locale, the fuzz targets, the format and naming
#            checks
#   bench    the benchmarks and the programs they measure against
#   package  the .deb of make package and its checks
#   fresh    make fresh-check: a Debian 12 root of its own (debootstrap) and an X server for the
#            window it starts there
set -euo pipefail

run=(
  cmake g++ make pkg-config       # toolchain
  qt6-base-dev libgl-dev          # the window (Qt 6 Widgets)
  libx11-dev                      # the keyboard's lock indicators on an X display (XKB)
  libfontconfig-dev               # the font list, loaded beside the display's connection
  fonts-ipafont-gothic            # Japanese fixed and proportional fonts (IPAGothic, IPAPGothic)
  qt6-translations-l10n           # Japanese texts of Qt's own buttons and file dialogs
  libchm-dev                      # reading the compiled help file
  fp-utils-3.2.2                  # chmcmd, which compiles the help file
)
test=(
  libgtest-dev libgmock-dev       # unit tests
  libbenchmark-dev                # the benchmarks, built with everything else
  clang libclang-rt-14-dev        # libFuzzer and the sanitizer runtimes for the fuzz targets
  locales                         # a comma-decimal locale for the locale-independence test run
  xvfb                            # an X server of their own for the tests that need X11
  x11-utils                       # xwininfo, which reads the window's class on that server
  weston qt6-wayland              # a Wayland compositor and Qt's plugin for the Wayland runs
  git clang-format                # the format check over the files git knows
  clang-tidy                      # the naming check (readability-identifier-naming)
  appstream desktop-file-utils    # appstreamcli and desktop-file-validate check the desktop files
  libchm-bin                      # extract_chmLib, a second reader the help file test checks with
  fonts-dejavu-core fonts-dejavu-extra  # DejaVu Sans Mono in the four faces the font dialog test picks
)
bench=(
  libbenchmark-dev                # bench/
  apcalc bc time                  # reference calculators the command-line benchmark compares with
  python3 xvfb xdotool            # the start-up benchmark, on a real X server
)
package=(
  dpkg-dev file                   # dpkg-shlibdeps, which finds the package's dependencies
  lintian                         # the package check
)
fresh=(
  debootstrap                     # the Debian 12 root
  git                             # the clone into it
  xvfb xdotool                    # the display the window opens on, and the look for it there
)

profiles=("$@")
[ ${#profiles[@]} -gt 0 ] || profiles=(run test bench package fresh)
packages=()
for profile in "${profiles[@]}"; do
  case "$profile" in
    run) packages+=("${run[@]}") ;;
    test) packages+=("${run[@]}" "${test[@]}") ;;
    bench) packages+=("${run[@]}" "${bench[@]}") ;;
    package) packages+=("${run[@]}" "${package[@]}") ;;
    fresh) packages+=("${fresh[@]}") ;;
    *) echo "$0: unknown profile $profile (run, test, bench, package, fresh)" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' &&
     [[ " ${missing[*]-} " != *" $p "* ]]; then
    missing+=("$p")
  fi
done

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The locale-independence run needs a locale whose decimal separator is a comma.
if [[ " ${profiles[*]} " == *" test "* ]] && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  "${sudo[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
