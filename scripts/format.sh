#!/usr/bin/env bash
# Formats the C++ sources in place, or with --check only reports what differs.
# Fails when it could not check: no git, not a git checkout, no clang-format, or no files.
set -euo pipefail
cd "$(dirname "$0")/.."
for tool in git clang-format; do
    command -v "$tool" >/dev/null || { echo "format: $tool not found" >&2; exit 1; }
done
# A command substitution, unlike a process substitution, fails the script when git fails.
list=$(git ls-files -- '*.cpp' '*.h')
mapfile -t files <<<"$list"
if [ -z "$list" ] || [ ${#files[@]} -eq 0 ]; then
    echo "format: no C++ files found" >&2
    exit 1
fi
if [ "${1:-}" = --check ]; then
    clang-format --dry-run --Werror "${files[@]}"
    echo "format: ${#files[@]} files checked"
else
    clang-format -i "${files[@]}"
fi
