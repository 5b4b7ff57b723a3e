#!/usr/bin/env bash
# Installs what is needed, builds with warnings as errors, and runs every test.
#   scripts/test.sh             plain build in build/
#   scripts/test.sh --release   the packagers' Release build, tests included, in build-release/
#   scripts/test.sh --sanitize  address + undefined-behaviour sanitizers in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."

case "${1:-}" in
    "") build=build options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
    --release) build=build-release options=(-DCMAKE_BUILD_TYPE=Release) ;;
    --sanitize)
        build=build-asan
        options=(-DCMAKE_BUILD_TYPE=Debug -DWRENBOX_SANITIZE=ON -DWRENBOX_BENCH=OFF)
        ;;
    *) echo "usage: scripts/test.sh [--release | --sanitize]" >&2; exit 2 ;;
esac

scripts/deps.sh
for tool in cmake ctest ninja; do
    command -v "$tool" >/dev/null || { echo "test: $tool not found" >&2; exit 1; }
done
cmake -S . -B "$build" -G Ninja -DWRENBOX_WERROR=ON "${options[@]}" >/dev/null
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure --no-tests=error -j "$(nproc)"
count=$(ctest --test-dir "$build" -N | sed -n 's/^Total Tests: //p')
[ "${count:-0}" -gt 0 ] || { echo "test: ctest lists no tests in $build" >&2; exit 1; }
echo "tests: $count passed in $build"
