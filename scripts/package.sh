#!/usr/bin/env bash
# Builds the Debian package build-package/wrenbox_<version>_amd64.deb: a Release build without
# tests or benchmarks, installed under /usr. Installs what it needs first. Fails when no package,
# or a package without files or without dependencies, comes out.
set -euo pipefail
cd "$(dirname "$0")/.."

# cpack computes the package's Depends with dpkg-shlibdeps (dpkg-dev), which needs file.
WRENBOX_EXTRA_DEPS="dpkg-dev file" scripts/deps.sh
for tool in cmake cpack dpkg-deb dpkg-shlibdeps file; do
    command -v "$tool" >/dev/null || { echo "package: $tool not found" >&2; exit 1; }
done
build=build-package
# WRENBOX_WERROR=ON (CI) makes warnings fail this build too; a user's build only shows them.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DWRENBOX_TESTS=OFF -DWRENBOX_BENCH=OFF -DWRENBOX_WERROR="${WRENBOX_WERROR:-OFF}" >/dev/null
cmake --build "$build"
rm -f "$build"/wrenbox_*.deb
log=$(cd "$build" && cpack -G DEB 2>&1) || { printf '%s\n' "$log" >&2; exit 1; }
debs=("$build"/wrenbox_*_amd64.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || {
    printf '%s\n' "$log" >&2
    echo "package: cpack made no single $build/wrenbox_*_amd64.deb" >&2
    exit 1
}
deb=${debs[0]}
files=$(dpkg-deb -c "$deb" | grep -vc '/$' || true)
depends=$(dpkg-deb -f "$deb" Depends)
[ "$files" -gt 0 ] || { echo "package: $deb holds no files" >&2; exit 1; }
[ -n "$depends" ] || { echo "package: $deb has no Depends (dpkg-shlibdeps found none)" >&2; exit 1; }
echo "package: $deb, $files files"
