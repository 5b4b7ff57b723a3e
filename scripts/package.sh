#!/usr/bin/env bash
# Builds the Debian package build-package/wrenbox_<version>_amd64.deb: a Release build without
# tests or benchmarks, installed under /usr. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."

# cpack computes the package's Depends with dpkg-shlibdeps (dpkg-dev), which needs file.
WRENBOX_EXTRA_DEPS="dpkg-dev file" scripts/deps.sh
build=build-package
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DWRENBOX_TESTS=OFF -DWRENBOX_BENCH=OFF >/dev/null
cmake --build "$build"
rm -f "$build"/wrenbox_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/wrenbox_*.deb
