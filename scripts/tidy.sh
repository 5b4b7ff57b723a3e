#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy) over every source in src/, tools/ and tests/, or over the files named;
# any finding fails, and so does finding no files or a file the build does not compile. Needs a
# configured build (default build/, as scripts/test.sh makes).
#   scripts/tidy.sh [build-dir [file...]]
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
shift || true
files=("$@")
# Found without git, so that a copy of the sources without .git is checked the same.
if [ ${#files[@]} -eq 0 ]; then
    # A command substitution, unlike a process substitution, fails the script when find fails.
    list=$(find src tools tests -type f -name '*.cpp' | sort)
    [ -z "$list" ] || mapfile -t files <<<"$list"
fi
[ ${#files[@]} -gt 0 ] || { echo "clang-tidy: no files to check" >&2; exit 1; }
WRENBOX_EXTRA_DEPS=clang-tidy scripts/deps.sh
command -v clang-tidy >/dev/null || { echo "clang-tidy: clang-tidy not found" >&2; exit 1; }
[ -f "$build/compile_commands.json" ] || {
    echo "No $build/compile_commands.json: build first (scripts/test.sh)" >&2
    exit 1
}
# clang-tidy guesses the flags of a file the build does not compile, and checks it with those.
compiled=$(sed -n 's/^ *"file": "\(.*\)",\{0,1\}$/\1/p' "$build/compile_commands.json")
unbuilt=()
for f in "${files[@]}"; do
    grep -qxF "$(realpath "$f")" <<<"$compiled" || unbuilt+=("$f")
done
[ ${#unbuilt[@]} -eq 0 ] || {
    echo "clang-tidy: not compiled in $build, so not checked: ${unbuilt[*]}" >&2
    exit 1
}
db=$(mktemp -d)
trap 'rm -rf "$db"' EXIT
# clang does not know g++'s -fcoroutines (in C++20 coroutines need no flag), nor can it read g++'s
# precompiled headers: handed to the compiler itself, a prefix header is read as plain source.
sed -e 's/ -fcoroutines\b//g' -e 's/ -include \([^ ]*cmake_pch\.hxx\)/ -Xclang -include -Xclang \1/g' \
    "$build/compile_commands.json" >"$db/compile_commands.json"

# One clang-tidy per file, as many at once as there are cores; a file's output shows only when it fails.
printf '%s\n' "${files[@]}" | xargs -P "$(nproc)" -I{} sh -c \
    'out=$(clang-tidy -p "$1" --quiet --warnings-as-errors="*" "$2" 2>&1) || { printf "%s\n" "$out"; exit 1; }' \
    sh "$db" {} || {
    echo "clang-tidy has findings (above)" >&2
    exit 1
}
echo "clang-tidy: no findings in ${#files[@]} files"
