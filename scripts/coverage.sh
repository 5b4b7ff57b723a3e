#!/usr/bin/env bash
# Builds the tests with --coverage in build-coverage/, runs them, and prints the line and branch
# coverage of src/ and tools/ (gcovr). Fails when the build, a test or gcovr fails.
#   scripts/coverage.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-coverage}
WRENBOX_EXTRA_DEPS="gcovr ${WRENBOX_EXTRA_DEPS:-}" scripts/deps.sh
for tool in cmake ctest gcovr; do
    command -v "$tool" >/dev/null || { echo "coverage: $tool not found" >&2; exit 1; }
done

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DWRENBOX_BENCH=OFF \
    -DCMAKE_CXX_FLAGS=--coverage -DCMAKE_EXE_LINKER_FLAGS=--coverage "${launcher[@]}" >/dev/null
cmake --build "$build"
# Counters from an earlier run would add to this one.
find "$build" -name '*.gcda' -delete
ctest --test-dir "$build" --output-on-failure --no-tests=error -j "$(nproc)"
gcovr --root . --object-directory "$build" --filter 'src/' --filter 'tools/' \
    --exclude-unreachable-branches --exclude-throw-branches \
    --print-summary --txt "$build/coverage.txt"
