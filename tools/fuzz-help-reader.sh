#!/usr/bin/env bash
# Fuzzes the help reader with chmlib in the same process (chm_reader_fuzz) and counts what it
# finds, telling chmlib's faults from ours.
#
#   tools/fuzz-help-reader.sh BUILD_DIR SECONDS
#
# BUILD_DIR is a fuzz build (make build-fuzz) with the chm_reader_fuzz target built. libFuzzer
# runs in fork mode and goes on after crashes, timeouts and running out of memory; each finding
# is run again and counted as chmlib's when its stack passes through libchm (a fault, a spin or
# an allocation inside chmlib, or in a callback it is running). Those only show why the program reads help files in a process of
# its own; the script fails only on a finding elsewhere (in our reader). The corpus is kept in
# BUILD_DIR/fuzz-corpus/chm_reader_fuzz, findings in BUILD_DIR/fuzz-artifacts/chm_reader_fuzz.
set -uo pipefail

if [ $# -ne 2 ] || ! [[ $2 =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: $0 BUILD_DIR SECONDS" >&2
  exit 2
fi
build_dir=$(cd "$1" 2> /dev/null && pwd) || { echo "$0: no build directory $1" >&2; exit 2; }
seconds=$2
source_dir=$(cd "$(dirname "$0")/.." && pwd)
bin=$build_dir/fuzz/chm_reader_fuzz
[ -x "$bin" ] || { echo "$0: build the chm_reader_fuzz target first" >&2; exit 2; }
corpus=$build_dir/fuzz-corpus/chm_reader_fuzz
artifacts=$build_dir/fuzz-artifacts/chm_reader_fuzz
log=$build_dir/fuzz-artifacts/chm_reader_fuzz.log
mkdir -p "$corpus" "$artifacts"

# A help reader's leaks end with its process.
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=0:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

stamp=$(mktemp)
echo "== chm_reader_fuzz: $seconds s (corpus $corpus)"
"$bin" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 -max_total_time="$seconds" \
  -max_len=65536 -timeout=5 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$artifacts/" "$corpus" "$source_dir/fuzz/seeds/chm_reader_fuzz" > "$log" 2>&1
grep -E '^#[0-9]+.*DONE|^INFO: fuzzed for' "$log" | tail -n 2 | sed 's/^/   /'

# The frames of a report's stack down to the fuzz target's entry.
target_frames() {
  grep -E '^ +#[0-9]+ 0x' | sed '/LLVMFuzzerTestOneInput/q'
}

chmlib=0
ours=0
while IFS= read -r finding; do
  frames=$(timeout 60 "$bin" -timeout=5 -rss_limit_mb=2048 "$finding" 2>&1 | target_frames)
  if [[ $frames == *libchm* ]]; then
    chmlib=$((chmlib + 1))
  else
    ours=$((ours + 1))
    echo "!! not in chmlib: $finding"
    echo "$frames" | tail -n 4 | sed 's/^/   /'
  fi
done < <(find "$artifacts" -type f -newer "$stamp" | sort)
rm -f "$stamp"
echo "chm_reader_fuzz: $chmlib findings in chmlib, $ours elsewhere"
[ "$ours" -eq 0 ]
