#!/usr/bin/env bash
# make fresh-check: the README's two commands on a fresh machine. Makes a minimal Debian 12 root
# (debootstrap --variant=minbase, cached under ~/.cache/brunovelt-fresh after the first run; every
# run unpacks a fresh copy), adds git, make and libgtest-dev, clones this checkout's HEAD into it
# and runs there, as root:
#   make run    until the main window is mapped on an X server started here, then ends it
#   make test   which must pass
# and prints how long each step took. Needs root (debootstrap, chroot, mounts) and the package
# registry: without it the check fails. The mounts live in a mount namespace of their own, so
# that they go with it whatever happens; the processes in the root are ended on every exit.
#
# Environment: FRESH_MIRROR (Debian mirror, default deb.debian.org), FRESH_RUN_MINUTES and
# FRESH_TEST_MINUTES (limits of the two commands, default 40 and 70), FRESH_KEEP=1 keeps the root.
# The logs of the last run are kept in ~/.cache/brunovelt-fresh/last-logs.
set -euo pipefail

mirror=${FRESH_MIRROR:-http://deb.debian.org/debian}
security_mirror=${FRESH_SECURITY_MIRROR:-http://deb.debian.org/debian-security}
suite=bookworm
cache=${XDG_CACHE_HOME:-$HOME/.cache}/brunovelt-fresh
tarball=$cache/$suite-minbase.tar
chroot_path=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin

# The processes whose root is the fresh root: all of them were started by this check.
root_pids() {
  local p
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/root" 2>/dev/null)" = "$1" ] && echo "${p#/proc/}"
  done
  return 0
}

end_root_processes() {
  local pids
  pids=$(root_pids "$1")
  [ -n "$pids" ] || return 0
  # shellcheck disable=SC2086
  kill -TERM $pids 2>/dev/null || true
  for _ in $(seq 50); do
    [ -n "$(root_pids "$1")" ] || return 0
    sleep 0.2
  done
  # shellcheck disable=SC2046
  kill -KILL $(root_pids "$1") 2>/dev/null || true
  sleep 0.5
}

# Runs a command in the root as a fresh login would: root's home, no variables of this machine.
in_root() {
  chroot "$root" /usr/bin/env -i HOME=/root PATH="$chroot_path" TERM=dumb LANG=C.UTF-8 "$@"
}

minutes() { printf '%d min %02d s' $(($1 / 60)) $(($1 % 60)); }

# ---------------------------------------------------------------------------------------------
# Inside the mount namespace: mounts, then the two commands.
if [ "${1-}" = --inside ]; then
  root=$2 logs=$3 times=$4
  xvfb='' tester=''
  cleanup() {
    [ -z "$tester" ] || kill "$tester" 2>/dev/null || true
    end_root_processes "$root"
    [ -z "$xvfb" ] || { kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; }
    # The namespace takes its mounts with it; unmounting here as well keeps the order clean.
    for m in tmp/.X11-unix/X* tmp dev/shm dev/pts dev sys proc; do
      for target in "$root"/$m; do
        mountpoint -q "$target" 2>/dev/null && umount -l "$target"
      done
    done
    return 0
  }
  trap cleanup EXIT
  trap 'exit 130' INT TERM

  mount -t proc proc "$root/proc"
  mount -t sysfs sysfs "$root/sys"
  mount --bind /dev "$root/dev"
  mount --bind /dev/pts "$root/dev/pts"
  mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"
  mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"

  # make run: an X server here, its socket shown in the root, until the window is mapped.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$logs/xvfb.display" 2>"$logs/xvfb.log" &
  xvfb=$!
  for _ in $(seq 100); do
    [ -s "$logs/xvfb.display" ] && break
    sleep 0.1
  done
  display=$(head -n 1 "$logs/xvfb.display")
  [ -n "$display" ] || { cat "$logs/xvfb.log" >&2; exit 1; }
  mkdir "$root/tmp/.X11-unix"
  chmod 1777 "$root/tmp/.X11-unix"
  touch "$root/tmp/.X11-unix/X$display"
  mount --bind "/tmp/.X11-unix/X$display" "$root/tmp/.X11-unix/X$display"

  echo "== make run (display :$display, log $logs/make-run.log)"
  start=$(date +%s)
  in_root DISPLAY=":$display" sh -c 'cd /root/brunovelt && exec make run' >"$logs/make-run.log" 2>&1 &
  run=$!
  limit=$((start + ${FRESH_RUN_MINUTES:-40} * 60))
  window=''
  while [ -z "$window" ]; do
    if ! kill -0 "$run" 2>/dev/null; then
      status=0
      wait "$run" || status=$?
      tail -n 60 "$logs/make-run.log" >&2
      echo "FAIL: make run ended (status $status) before its window was mapped" >&2
      exit 1
    fi
    if [ "$(date +%s)" -gt "$limit" ]; then
      tail -n 60 "$logs/make-run.log" >&2
      echo "FAIL: no window of make run within ${FRESH_RUN_MINUTES:-40} minutes" >&2
      exit 1
    fi
    sleep 1
    window=$(DISPLAY=":$display" xdotool search --onlyvisible --classname '^brunovelt$' 2>/dev/null |
             head -n 1 || true)
  done
  elapsed=$(($(date +%s) - start))
  echo "make run: window mapped after $(minutes "$elapsed") ($(DISPLAY=":$display" xdotool getwindowname "$window"))"
  echo "make run (until the window is mapped)	$elapsed" >>"$times"
  end_root_processes "$root"
  wait "$run" 2>/dev/null || true
  umount "$root/tmp/.X11-unix/X$display"
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
  xvfb=''

  echo "== make test (log $logs/make-test.log)"
  start=$(date +%s)
  status=0
  # In the background, so that a signal to this script is handled at once, not after make test.
  timeout --kill-after=30 "$((${FRESH_TEST_MINUTES:-70} * 60))" \
    chroot "$root" /usr/bin/env -i HOME=/root PATH="$chroot_path" TERM=dumb LANG=C.UTF-8 \
    sh -c 'cd /root/brunovelt && exec make test' >"$logs/make-test.log" 2>&1 &
  tester=$!
  wait "$tester" || status=$?
  tester=''
  elapsed=$(($(date +%s) - start))
  echo "make test	$elapsed" >>"$times"
  if [ "$status" -ne 0 ]; then
    tail -n 120 "$logs/make-test.log" >&2
    [ "$status" -ne 124 ] || echo "FAIL: make test did not end within ${FRESH_TEST_MINUTES:-70} minutes" >&2
    echo "FAIL: make test (status $status) after $(minutes "$elapsed")" >&2
    exit 1
  fi
  grep -E 'tests passed|tests failed' "$logs/make-test.log" || true
  echo "make test: passed in $(minutes "$elapsed")"
  exit 0
fi

# ---------------------------------------------------------------------------------------------
# Outside: the cached bootstrap, the fresh root, the clone, then the namespace above.
[ "$(id -u)" -eq 0 ] || { echo "$0: needs root (debootstrap, chroot, mounts)" >&2; exit 2; }
src=$(git -C "$(dirname "$0")/.." rev-parse --show-toplevel)
script=$(readlink -f "$0")
mkdir -p "$cache"
work=$(mktemp -d /var/tmp/brunovelt-fresh.XXXXXX)
root=$work/root
times=$work/times
logs=$cache/last-logs # the last run's logs stay for a look afterwards
rm -rf "$logs"
mkdir -p "$root" "$logs"
: >"$times"
all_start=$(date +%s)

cleanup_outside() {
  status=$?
  if [ -n "${inside-}" ]; then
    kill "$inside" 2>/dev/null || true
    wait "$inside" 2>/dev/null || true
  fi
  end_root_processes "$root"
  echo "== times"
  while IFS=$'\t' read -r step seconds; do
    printf '  %-44s %s\n' "$step" "$(minutes "$seconds")"
  done <"$times"
  printf '  %-44s %s\n' "whole check" "$(minutes $(($(date +%s) - all_start)))"
  # Nothing may be mounted under the root before it is removed: the mounts were made in the
  # namespace, which is gone, but this is the one place where a mistake would delete the host's.
  if grep -q " $work/" /proc/self/mountinfo; then
    echo "$0: $work still has mounts; left in place" >&2
  elif [ "${FRESH_KEEP:-0}" = 1 ]; then
    echo "root kept in $root"
  else
    rm -rf "$work"
  fi
  [ "$status" -eq 0 ] && echo "fresh-check: passed" || echo "fresh-check: FAILED" >&2
  exit "$status"
}
trap cleanup_outside EXIT
trap 'exit 130' INT TERM

timed() { # timed NAME COMMAND...: runs the command and notes its time
  local name=$1 start status=0
  shift
  echo "== $name"
  start=$(date +%s)
  "$@" || status=$?
  echo "$name	$(($(date +%s) - start))" >>"$times"
  return "$status"
}

no_registry() {
  echo "FAIL: the package registry ($mirror) cannot be reached from this machine; the check" \
       "needs it to install what a fresh machine lacks" >&2
  exit 1
}

bootstrap() {
  local dir=$work/bootstrap
  debootstrap --variant=minbase "$suite" "$dir" "$mirror" >"$logs/debootstrap.log" 2>&1 || {
    tail -n 20 "$logs/debootstrap.log" >&2
    grep -qiE 'resolve|connect|download|release' "$logs/debootstrap.log" && no_registry
    return 1
  }
  tar -C "$dir" --numeric-owner -cpf "$tarball.new" .
  mv "$tarball.new" "$tarball"
  rm -rf "$dir"
}

if [ -s "$tarball" ]; then
  echo "== debootstrap: cached ($tarball)"
else
  timed "debootstrap (minbase, cached from now on)" bootstrap
fi
timed "fresh root from the cache" tar -C "$root" --numeric-owner -xpf "$tarball"

# A Debian 12 system as installed: main, its updates and security updates; the host's DNS.
cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror $suite main
deb $mirror $suite-updates main
deb $security_mirror $suite-security main
EOF
cp /etc/resolv.conf "$root/etc/resolv.conf"

add_base() {
  in_root apt-get update -qq --error-on=any >"$logs/apt-base.log" 2>&1 || {
    cat "$logs/apt-base.log" >&2
    no_registry
  }
  in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    git make libgtest-dev >>"$logs/apt-base.log" 2>&1 || { tail -n 20 "$logs/apt-base.log" >&2; return 1; }
}
timed "apt-get install git make libgtest-dev" add_base

commit=$(git -C "$src" rev-parse HEAD)
[ -z "$(git -C "$src" status --porcelain --untracked-files=no)" ] ||
  echo "note: $src has changes that are not committed; the check clones its HEAD only"
git clone --quiet --no-local "$src" "$root/root/brunovelt"
git -C "$root/root/brunovelt" checkout --quiet --detach "$commit"
echo "== clone of $commit"

# In the background, so that a signal to this script is handled at once and passed on.
unshare --mount --propagation private "$script" --inside "$root" "$logs" "$times" &
inside=$!
wait "$inside"
inside=''
