#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a while and fails on the first finding.
#
#   tools/run-fuzzers.sh BUILD_DIR SECONDS
#
# BUILD_DIR is a build configured with BRUNOVELT_FUZZ=ON (make build-fuzz); each target in
# BUILD_DIR/fuzz runs for SECONDS. The corpus each run grows is kept in BUILD_DIR/fuzz-corpus/NAME
# (outside the source tree), so later runs start from it; fuzz/seeds/NAME, when present, is read as
# a second corpus, and fuzz/NAME.dict as the dictionary. Findings go to
# BUILD_DIR/fuzz-artifacts/NAME/. The script prints each finding's path and bytes (hex) and exits
# non-zero when a target found anything or could not run.
#
# FUZZ_MAX_LEN (default 4096) bounds the input length; FUZZ_TIMEOUT (default 10) is the seconds one
# input may take before it counts as a finding.
set -uo pipefail

if [ $# -ne 2 ] || ! [[ $2 =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: $0 BUILD_DIR SECONDS" >&2
  exit 2
fi
build_dir=$(cd "$1" 2> /dev/null && pwd) || { echo "$0: no build directory $1" >&2; exit 2; }
seconds=$2
source_dir=$(cd "$(dirname "$0")/.." && pwd)
max_len=${FUZZ_MAX_LEN:-4096}
timeout=${FUZZ_TIMEOUT:-10}

# Sanitizer reports end the run; libFuzzer turns them into findings.
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

targets=()
for bin in "$build_dir"/fuzz/fuzz_*; do
  [ -f "$bin" ] && [ -x "$bin" ] && targets+=("$bin")
done
if [ ${#targets[@]} -eq 0 ]; then
  echo "$0: no fuzz targets in $build_dir/fuzz (build the fuzz_targets target)" >&2
  exit 2
fi

failed=()
for bin in "${targets[@]}"; do
  name=$(basename "$bin")
  corpus=$build_dir/fuzz-corpus/$name
  artifacts=$build_dir/fuzz-artifacts/$name
  log=$build_dir/fuzz-artifacts/$name.log
  mkdir -p "$corpus" "$artifacts"

  args=(-max_total_time="$seconds" -max_len="$max_len" -timeout="$timeout" -print_final_stats=1
        -artifact_prefix="$artifacts/")
  [ -f "$source_dir/fuzz/$name.dict" ] && args+=(-dict="$source_dir/fuzz/$name.dict")
  dirs=("$corpus")
  [ -d "$source_dir/fuzz/seeds/$name" ] && dirs+=("$source_dir/fuzz/seeds/$name")

  # Findings from an earlier run stay where they are; only new files count for this one.
  stamp=$(mktemp)
  echo "== $name: $seconds s (corpus $corpus)"
  "$bin" "${args[@]}" "${dirs[@]}" > "$log" 2>&1
  rc=$?
  grep -E '^(Done [0-9]+ runs|stat::peak_rss_mb)' "$log" | sed 's/^/   /'

  mapfile -t found < <(find "$artifacts" -type f -newer "$stamp" | sort)
  rm -f "$stamp"
  if [ "$rc" -ne 0 ] || [ ${#found[@]} -gt 0 ]; then
    failed+=("$name")
    echo "!! $name failed (exit $rc); its output is in $log:"
    grep -E 'ERROR: |runtime error|property broken|SUMMARY' "$log" | head -n 10 | sed 's/^/   /'
    for f in "${found[@]}"; do
      echo "   finding: $f"
      echo "   bytes:   $(od -An -v -tx1 "$f" | tr -s ' \n' ' ' | head -c 600)"
    done
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found problems in: ${failed[*]}"
  exit 1
fi
echo "fuzzing: no findings in ${#targets[@]} targets, $seconds s each"
