#!/usr/bin/env bash
# Installs the Debian packages Wrenbox needs to build, test and run; skips what is already there.
set -euo pipefail

packages=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-tools-dev qt6-tools-dev-tools
          qt6-l10n-tools qt6-svg-dev qcoro-qt6-dev libqt6sql6-sqlite bootstrap-icons libgl-dev
          libxcb1-dev xvfb xauth
          fonts-dejavu-core clang-format dbus-daemon)
if [ "${WRENBOX_SANITIZE_DEPS:-0}" = 1 ]; then
    packages+=(clang libclang-rt-14-dev)
fi
# Extra packages a script needs beyond these, as one space-separated list.
read -r -a extra <<<"${WRENBOX_EXTRA_DEPS:-}"
packages+=("${extra[@]}")

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
