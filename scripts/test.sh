#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test.
#   scripts/test.sh             plain build in build/
#   scripts/test.sh --sanitize  address + undefined-behaviour sanitizers in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = --sanitize ]; then
    build=build-asan
    options=(-DCMAKE_BUILD_TYPE=Debug -DWRENBOX_SANITIZE=ON -DWRENBOX_BENCH=OFF)
fi

scripts/deps.sh
cmake -S . -B "$build" -G Ninja "${options[@]}" >/dev/null
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure --no-tests=error -j "$(nproc)"
