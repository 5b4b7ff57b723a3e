#!/usr/bin/env bash
# Builds Wrenbox and starts it with the development relay in dry-run mode. The relay's state
# (pairing, queued texts, counters) is kept in build/devstate, never in your home folder.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "Wrenbox needs a desktop session to show its window; run this from one, or wrap it: xvfb-run -a scripts/run.sh" >&2
    exit 1
fi

scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build

app=build/bin/wrenbox-app
if [ ! -x "$app" ]; then
    echo "The app itself is not built yet (no $app); the relay interface and the development relay are." >&2
    exit 1
fi

mkdir -p build/devstate
export WRENBOX_CONFIG_DIR="$PWD/build/devstate"
export WRENBOX_RELAY_DRY_RUN=1
exec "$app" "$@"
