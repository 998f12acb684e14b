#!/usr/bin/env bash
# Checks the naming rule of README.md ("Names:") over the program's own sources and fails with the
# list of names that break it.
#
#   tools/naming-check.sh BUILD_DIR     BUILD_DIR holds compile_commands.json (make build)
#
# clang-tidy's readability-identifier-naming with the root .clang-tidy checks every source file that
# git tracks and BUILD_DIR compiles, and the headers they include. Three parts of the rule it cannot
# express are checked here over every tracked source and header: an enum class carries E, a plain
# struct has no S prefix, and a member has no Hungarian type letters after m_ (m_bDone, m_strName).
# Names the program is specified with (tools/naming-allowlist.txt) are never reported.
#
# The tests are left out: a fixture is named as the test suite it holds, the name that test reports
# and --gtest_filter use, and its protected fields are read by the TEST_F bodies like a struct's;
# parsing them would also add a minute and more to the two minutes the check takes on two cores.
set -euo pipefail

export LC_ALL=C
build=$(cd "${1:?usage: tools/naming-check.sh BUILD_DIR}" && pwd)
db=$build/compile_commands.json
[ -f "$db" ] || { echo "$0: $db is missing (configure BUILD_DIR first)" >&2; exit 2; }
cd "$(git rev-parse --show-toplevel)"
root=$PWD
clang_tidy=${CLANG_TIDY:-clang-tidy}
jobs=${JOBS:-2}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# The program's own files: tracked by git, outside tests/ (generated sources live in BUILD_DIR).
git ls-files -- '*.cpp' '*.h' ':!:tests/' | sort >"$out/own"
grep -v '^#' tools/naming-allowlist.txt | grep . | sort -u >"$out/allowed"

# The translation units to parse: those of compile_commands.json that are among our own files.
sed -n 's|^ *"file": "\(.*\)",\{0,1\}$|\1|p' "$db" | sed "s|^$root/||" | sort -u |
    comm -12 - "$out/own" >"$out/units"
[ -s "$out/units" ] || { echo "$0: no source of ours in $db" >&2; exit 2; }

# One output file a unit, so that parallel runs do not mix their lines.
if ! xargs -P "$jobs" -I{} sh -c '"$1" -p "$2" --quiet --extra-arg=-w --header-filter="^$3/" "$3/$4" \
        >"$5/tidy.$(echo "$4" | tr / _)" 2>&1' _ "$clang_tidy" "$build" "$root" {} "$out" \
        <"$out/units"; then
    cat "$out"/tidy.* | grep -E 'error:' | head -20 >&2
    echo "$0: clang-tidy could not parse every file" >&2
    exit 2
fi

# FILE:LINE: what 'NAME' for every name of ours that breaks the rule, once, without the allowed ones.
{
    # FILE:LINE:COL: warning: invalid case style for KIND 'NAME' [readability-identifier-naming]
    cat "$out"/tidy.* | sed -n "s|^$root/\([^:]*\):\([0-9]*\):[0-9]*: warning: invalid case style for \(.*\) '\([^']*\)' \[readability-identifier-naming\]$|\1:\2: \3 '\4'|p" |
        while IFS= read -r line; do
            file=${line%%:*}
            if grep -qxF "$file" "$out/own"; then echo "$line"; fi
        done
    git grep -nE '^\s*enum class [A-Za-z_][A-Za-z0-9_]*' -- '*.cpp' '*.h' ':!:tests/' |
        sed -nE 's/^([^:]*:[0-9]*):\s*enum class ([A-Za-z_][A-Za-z0-9_]*).*/\1: enum class without E '"'"'\2'"'"'/p' |
        grep -vE "'E[A-Z][A-Za-z0-9]*'\$" || true
    git grep -nE '\b(struct|class) (\w+::)*S[A-Z][a-z][A-Za-z0-9]*\b' -- '*.cpp' '*.h' ':!:tests/' |
        sed -nE 's/^([^:]*:[0-9]*):.*\b(struct|class) ((\w+::)*S[A-Z][a-z][A-Za-z0-9]*)\b.*/\1: \2 with an S prefix '"'"'\3'"'"'/p' || true
    git grep -nowE 'm_(b|by|c|ch|cr|d|dw|f|fn|h|i|l|lp|n|p|psz|s|str|sz|u|ul|w)[A-Z][A-Za-z0-9]*' \
        -- '*.cpp' '*.h' ':!:tests/' |
        sed -E "s/^([^:]*:[0-9]*):(.*)/\1: member with Hungarian type letters '\2'/" |
        awk -F"'" '!seen[$2]++' || true
} | sort -u | while IFS= read -r line; do
    name=${line%\'} name=${name##*\'}
    if ! grep -qxF "$name" "$out/allowed"; then echo "$line"; fi
done >"$out/found"

if [ -s "$out/found" ]; then
    echo "Names that break the naming rule of README.md (\"Names:\"); names the program is specified"
    echo "with belong in tools/naming-allowlist.txt:"
    sed 's/^/  /' "$out/found"
    exit 1
fi
echo "naming-check: $(wc -l <"$out/units") files and their headers follow the naming rule"
