#!/usr/bin/env bash
# Formats the C++ sources in place, or with --check only reports what differs.
# Fails when it could not check: no clang-format, or no files.
set -euo pipefail
cd "$(dirname "$0")/.."

case "${1:-}" in
    ""|--check) ;;
    *) echo "usage: scripts/format.sh [--check]" >&2; exit 2 ;;
esac

WRENBOX_EXTRA_DEPS=clang-format scripts/deps.sh
command -v clang-format >/dev/null || { echo "format: clang-format not found" >&2; exit 1; }
# Every .cpp and .h outside the build trees and hidden folders, found without git: a copy of the
# sources (an archive, a CI checkout without .git) checks the same files as a git checkout.
list=$(find . \( -path './build*' -o -path './.*' \) -prune -o \
    -type f \( -name '*.cpp' -o -name '*.h' \) -print | sort)
[ -n "$list" ] || { echo "format: no C++ files found" >&2; exit 1; }
mapfile -t files <<<"$list"
if [ "${1:-}" = --check ]; then
    clang-format --dry-run --Werror "${files[@]}"
    echo "format: ${#files[@]} files checked"
else
    clang-format -i "${files[@]}"
    echo "format: ${#files[@]} files formatted"
fi
