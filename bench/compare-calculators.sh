#!/usr/bin/env bash
# Times `brunovelt --calc` against apcalc (`calc -p`) and `bc -l` on the same generated formulas,
# checks that the three agree to nine significant digits, and shows that brunovelt's peak memory
# does not grow with the length of its input.
#
#   bench/compare-calculators.sh BRUNOVELT [LINES]
#
# LINES formulas (default 100000) go to all three calculators, each reading a file on standard
# input; brunovelt also reads ten times as many, for its memory at two sizes and a steadier
# lines-per-second figure. The formulas come from bench_gen_lines, looked for in the bench/ folder
# beside BRUNOVELT (BENCH_GEN_LINES names another). brunovelt runs RUNS times (default 3) and the
# fastest run counts; calc and bc run once. KEEP_FILES=1 keeps the formula and answer files.
#
# Exits non-zero when a calculator fails, when any answer disagrees, or when brunovelt's peak
# memory grows with the input. The aim is a million lines a second or more for brunovelt; falling
# short is reported but is no failure, since it depends on the machine.
set -euo pipefail
export LC_ALL=C # '.' as the decimal point in every tool, EPOCHREALTIME included

usage() {
  echo "usage: $0 BRUNOVELT [LINES]" >&2
  exit 2
}

[ $# -ge 1 ] && [ $# -le 2 ] || usage
brunovelt=$1
lines=${2:-100000}
runs=${RUNS:-3}
[[ $lines =~ ^[1-9][0-9]*$ ]] || usage
[[ $runs =~ ^[1-9][0-9]*$ ]] || usage
big_lines=$((lines * 10))

gen=${BENCH_GEN_LINES:-$(dirname "$brunovelt")/bench/bench_gen_lines}
[ -x "$brunovelt" ] || { echo "$0: $brunovelt is not an executable" >&2; exit 2; }
[ -x "$gen" ] || { echo "$0: $gen not found (build the bench_gen_lines target)" >&2; exit 2; }
for tool in calc bc /usr/bin/time; do
  command -v "$tool" > /dev/null || {
    echo "$0: $tool is missing; tools/install-deps.sh installs it" >&2
    exit 2
  }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/brunovelt-compare.XXXXXX")
if [ "${KEEP_FILES:-0}" = 1 ]; then
  echo "files kept in $work"
else
  trap 'rm -rf "$work"' EXIT
fi

# run_timed NAME INPUT OUTPUT COMMAND... : runs COMMAND with INPUT on standard input and OUTPUT as
# standard output; leaves the wall-clock seconds in $work/NAME.seconds and the peak resident set
# in KiB in $work/NAME.rss.
run_timed() {
  local name=$1 input=$2 output=$3 start end
  shift 3
  start=$EPOCHREALTIME
  if ! /usr/bin/time -f '%M' -o "$work/$name.rss" "$@" < "$input" > "$output"; then
    echo "$0: $name failed:" >&2
    cat "$work/$name.rss" >&2
    exit 1
  fi
  end=$EPOCHREALTIME
  awk -v s="$start" -v e="$end" 'BEGIN { printf "%.6f\n", e - s }' > "$work/$name.seconds"
}

# run_best NAME INPUT OUTPUT COMMAND... : run_timed RUNS times; keeps the fastest time and the
# largest peak memory.
run_best() {
  local name=$1 best="" rss=0 i t m
  for ((i = 0; i < runs; i++)); do
    run_timed "$@"
    t=$(cat "$work/$name.seconds")
    m=$(tail -n 1 "$work/$name.rss")
    if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$t; fi
    [ "$m" -gt "$rss" ] && rss=$m
  done
  echo "$best" > "$work/$name.seconds"
  echo "$rss" > "$work/$name.rss"
}

rate() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.0f", (s > 0 ? n / s : 0) }'; }
report() { # NAME LABEL LINES
  local s m
  s=$(cat "$work/$1.seconds")
  m=$(tail -n 1 "$work/$1.rss")
  printf '%-22s %10.3f %12s %10.1f\n' "$2" "$s" "$(rate "$3" "$s")" "$(awk -v k="$m" 'BEGIN { print k / 1024 }')"
}

echo "generating $lines formulas (and $big_lines for brunovelt alone)"
"$gen" --lines "$lines" --prefix "$work/f"
"$gen" --lines "$big_lines" --syntax brunovelt > "$work/big.brunovelt.txt"

run_best brunovelt "$work/f.brunovelt.txt" "$work/out.brunovelt" "$brunovelt" --calc
run_timed calc "$work/f.calc.txt" "$work/out.calc" calc -q -p
run_timed bc "$work/f.bc.txt" "$work/out.bc" env BC_LINE_LENGTH=0 bc -l -q
run_best brunovelt_big "$work/big.brunovelt.txt" "$work/out.big" "$brunovelt" --calc

echo
printf '%-22s %10s %12s %10s\n' calculator seconds lines/s "peak MiB"
report brunovelt "brunovelt --calc" "$lines"
report calc "calc -p" "$lines"
report bc "bc -l" "$lines"
report brunovelt_big "brunovelt ($big_lines)" "$big_lines"
echo

status=0

# Every calculator must print one line per formula.
for name in brunovelt calc bc; do
  count=$(wc -l < "$work/out.$name")
  if [ "$count" -ne "$lines" ]; then
    echo "MISMATCH: $name printed $count lines for $lines formulas" >&2
    status=1
  fi
done
big_count=$(wc -l < "$work/out.big")
if [ "$big_count" -ne "$big_lines" ]; then
  echo "MISMATCH: brunovelt printed $big_count lines for $big_lines formulas" >&2
  status=1
fi

# Nine significant digits: the answers differ by at most 1e-9 of the largest of them. calc marks
# inexact answers with '~' unless told not to; it is dropped in case a start-up file turns it on.
if [ "$status" -eq 0 ]; then
  if paste -d '\t' "$work/out.brunovelt" "$work/out.calc" "$work/out.bc" "$work/f.brunovelt.txt" |
    awk -F '\t' -v tol=1e-9 '
      function abs(x) { return x < 0 ? -x : x }
      function isnum(s) { return s ~ /^-?([0-9]+\.?[0-9]*|\.[0-9]+)(e[-+]?[0-9]+)?$/ }
      {
        c = $2; sub(/^~/, "", c)
        ok = isnum($1) && isnum(c) && isnum($3)
        if (ok) {
          a = $1 + 0; b = c + 0; d = $3 + 0
          m = abs(a); if (abs(b) > m) m = abs(b); if (abs(d) > m) m = abs(d)
          ok = abs(a - b) <= tol * m && abs(a - d) <= tol * m
        }
        if (!ok) {
          if (++bad <= 10)
            printf "line %d: %s\n  brunovelt %s\n  calc      %s\n  bc        %s\n", NR, $4, $1, $2, $3 > "/dev/stderr"
        }
      }
      END {
        if (bad) { printf "MISMATCH: %d of %d lines disagree\n", bad, NR; exit 1 }
        printf "answers: all %d lines agree to 9 significant digits\n", NR
      }'; then
    :
  else
    status=1
  fi
fi

# Peak memory at LINES and at ten times LINES: "flat" allows 1 MiB or a tenth, whichever is more.
rss_small=$(tail -n 1 "$work/brunovelt.rss")
rss_big=$(tail -n 1 "$work/brunovelt_big.rss")
slack=$((rss_small / 10 > 1024 ? rss_small / 10 : 1024))
if [ "$rss_big" -le $((rss_small + slack)) ]; then
  verdict=flat
else
  verdict="GROWS with the input"
  status=1
fi
echo "brunovelt peak RSS: $rss_small KiB at $lines lines, $rss_big KiB at $big_lines lines ($verdict)"

best_rate=$(rate "$big_lines" "$(cat "$work/brunovelt_big.seconds")")
if [ "$best_rate" -ge 1000000 ]; then
  echo "brunovelt: $best_rate lines/s end to end (aim: 1000000 or more: met)"
else
  echo "brunovelt: $best_rate lines/s end to end (aim: 1000000 or more: NOT met)"
fi
exit "$status"
