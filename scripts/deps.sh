#!/usr/bin/env bash
# Installs the Debian packages Wrenbox needs to build, test and run; skips what is already there.
# Fails when it cannot install one, or when one is still not installed afterwards.
#   WRENBOX_EXTRA_DEPS="a b"  what a script needs beyond these, as one space-separated list
set -euo pipefail

packages=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-tools-dev qt6-tools-dev-tools
          qt6-l10n-tools qt6-svg-dev qcoro-qt6-dev libqt6sql6-sqlite bootstrap-icons libgl-dev
          libxcb1-dev xvfb xauth fonts-dejavu-core dbus-daemon)
if [ "${WRENBOX_SANITIZE_DEPS:-0}" = 1 ]; then
    packages+=(clang libclang-rt-14-dev)
fi
read -r -a extra <<<"${WRENBOX_EXTRA_DEPS:-}"
packages+=("${extra[@]}")

for tool in dpkg-query apt-get; do
    command -v "$tool" >/dev/null || { echo "deps: $tool not found: this needs Debian" >&2; exit 1; }
done
not_installed() {
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
    done
}
mapfile -t missing < <(not_installed "${packages[@]}")
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || {
        echo "deps: not root and no sudo: install these as root: ${missing[*]}" >&2
        exit 1
    }
    sudo=(sudo)
fi
echo "deps: installing ${#missing[@]} packages: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
# A name apt-get takes for another package (a virtual one) would be "missing" again on every run.
mapfile -t still < <(not_installed "${missing[@]}")
[ ${#still[@]} -eq 0 ] || { echo "deps: not installed after apt-get: ${still[*]}" >&2; exit 1; }
