#!/usr/bin/env bash
# Regenerates docs/screenshots from the real app, as a user sees it: the installed build under a
# private Xvfb with a window manager (openbox) and a system tray (trayer, XEmbed), with
# the development relay in dry-run mode; light and dark colour schemes (a KDE scheme, which
# Qt's generic theme reads), 1x and 2x, on 1280x800 and 1366x768 screens. Nothing touches your
# home folder.
#   scripts/screenshots.sh [BUILD_DIR]
# Each screen gets: the status panel open under its tray icon (the whole screen), Setup and
# Settings (their windows with frames), and once per colour scheme a batch being sent.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
[ -d "$build" ] || { echo "No build folder $build; build first (cmake --build $build)" >&2; exit 1; }
WRENBOX_EXTRA_DEPS="xvfb openbox trayer imagemagick x11-utils xdotool" scripts/deps.sh

out=docs/screenshots
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
app=$prefix/bin/wrenbox-app
relay=$prefix/libexec/wrenbox/wrenbox
[ -x "$app" ] && [ -x "$relay" ] || { echo "The install lacks $app or $relay" >&2; exit 1; }

# A KDE colour scheme close to Breeze: "RRR,GGG,BBB" values for window, view, button, selection.
scheme() {
    if [ "$1" = dark ]; then
        window=49,54,59 view=35,38,41 text=239,240,241 inactive=161,169,177
    else
        window=239,240,241 view=252,252,252 text=35,38,39 inactive=112,125,138
    fi
    cat <<EOF
[General]
ColorScheme=Wrenbox$1

[KDE]
widgetStyle=Fusion

[Colors:Window]
BackgroundNormal=$window
BackgroundAlternate=$window
ForegroundNormal=$text
ForegroundInactive=$inactive

[Colors:View]
BackgroundNormal=$view
BackgroundAlternate=$window
ForegroundNormal=$text
ForegroundInactive=$inactive

[Colors:Button]
BackgroundNormal=$window
BackgroundAlternate=$window
ForegroundNormal=$text
ForegroundInactive=$inactive

[Colors:Selection]
BackgroundNormal=61,174,233
BackgroundAlternate=61,174,233
ForegroundNormal=252,252,252
ForegroundInactive=$inactive

[Colors:Tooltip]
BackgroundNormal=$window
ForegroundNormal=$text
EOF
}

wait_for() { # seconds, then a command that succeeds once the thing is there
    local tries=$(($1 * 10))
    shift
    for _ in $(seq "$tries"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    return 1
}

window_id() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1; }

# The window's frame (decorations included) as "WxH+X+Y".
frame_of() {
    local info
    info=$(xwininfo -frame -id "$1")
    local x y w h
    x=$(awk '/Absolute upper-left X/ { print $4 }' <<<"$info")
    y=$(awk '/Absolute upper-left Y/ { print $4 }' <<<"$info")
    w=$(awk '/^ *Width:/ { print $2 }' <<<"$info")
    h=$(awk '/^ *Height:/ { print $2 }' <<<"$info")
    # -frame reports the client's size; the decorations lie around it.
    local border top
    border=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= \(.*\)/\1/p' | tr -d ' ')
    if [ -n "$border" ]; then
        IFS=, read -r left right top bottom <<<"$border"
        w=$((w + left + right))
        h=$((h + top + bottom))
    fi
    echo "${w}x${h}+${x}+${y}"
}

shoot_screen() { import -window root "$out/$1.png"; }
shoot_window() {
    local id
    id=$(window_id "$1") || true
    [ -n "$id" ] || { echo "No window \"$1\" to photograph for $2" >&2; return 0; }
    sleep 0.5
    import -window root -crop "$(frame_of "$id")" +repage "$out/$2.png"
}

# The tray icon's window: the app's smallest visible window inside trayer.
tray_icon() {
    for id in $(xdotool search --onlyvisible --class wrenbox-app 2>/dev/null); do
        local w
        w=$(xdotool getwindowgeometry "$id" | awk '/Geometry/ { split($2, s, "x"); print s[1] }')
        [ "${w:-999}" -le 64 ] && { echo "$id"; return 0; }
    done
    return 1
}

# One desktop session: colour scheme, scale, screen size, then what to photograph.
session() {
    local theme=$1 scale=$2 size=$3 what=$4
    local name="$theme-${scale}x-$size"
    local home=$work/$name
    mkdir -p "$home/.config" "$home/run" "$home/.local/share"
    chmod 700 "$home/run"
    scheme "$theme" >"$home/.config/kdeglobals"
    export HOME=$home
    unset XDG_CONFIG_HOME XDG_DATA_HOME
    export XDG_RUNTIME_DIR=$home/run WRENBOX_RELAY_DRY_RUN=1
    if [ "$scale" = 1 ]; then unset QT_SCALE_FACTOR; else export QT_SCALE_FACTOR=$scale; fi
    # The app's dark scheme comes from Qt's KDE theme, which shows tray icons only through a
    # StatusNotifier host; trayer is an XEmbed tray, so the dark scheme goes without a tray.
    if [ "$theme" = dark ] && [ "${WRENBOX_SHOTS_KDE:-0}" = 1 ]; then
        export XDG_CURRENT_DESKTOP=KDE KDE_SESSION_VERSION=5
    else
        unset XDG_CURRENT_DESKTOP KDE_SESSION_VERSION
    fi
    export WRENBOX_DEVRELAY_SYNC_MS=600000
    if [ "$what" = sending ]; then export WRENBOX_DEVRELAY_STEP_MS=600000; else unset WRENBOX_DEVRELAY_STEP_MS; fi
    unset WAYLAND_DISPLAY QT_QPA_PLATFORM WRENBOX_CONFIG_DIR QT_QPA_PLATFORMTHEME

    "$relay" relay pair ABC234 --server http://localhost:8080 --json >/dev/null
    if [ "$what" = sending ]; then
        for i in $(seq 42); do "$relay" queue --to +15555550123 --text "Text $i" >/dev/null; done
    fi

    exec 3<> <(:)
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    local display
    read -r -t 10 display <&3 || { echo "Xvfb did not start" >&2; exit 1; }
    exec 3>&-
    export DISPLAY=:$display
    # No session bus: with one, Qt offers the icon to a StatusNotifier host, which trayer is not.
    unset DBUS_SESSION_BUS_ADDRESS
    # A light or dark panel, whatever the apps' own scheme: the icon must read on both.
    local tint=0xefefef
    [ "$theme" = dark ] && tint=0x2b2b2b
    openbox >/dev/null 2>&1 &
    pids+=($!)
    trayer --edge top --align right --widthtype request --height $((24 * scale)) \
        --transparent true --alpha 0 --tint "$tint" --SetDockType true >/dev/null 2>&1 &
    pids+=($!)
    wait_for 10 sh -c 'xwininfo -root -children | grep -q "\"trayer\""' || true

    "$app" >"$home/app.log" 2>&1 &
    local app_pid=$!
    pids+=("$app_pid")
    wait_for 60 tray_icon || { echo "$name: no tray icon on $DISPLAY; windows: $(xdotool search --class wrenbox-app | tr "\n" " "); app: $(kill -0 "$app_pid" && echo running); $(cat "$home/app.log")" >&2; exit 1; }
    sleep 3

    # A second start hands over to the first, which opens its panel under the icon.
    "$app" >/dev/null 2>&1 || true
    sleep 3
    if [ "$what" = sending ]; then
        shoot_screen "sending-$theme"
    else
        shoot_screen "panel-$name"
        xdotool key Escape
        "$app" 'wrenbox-mac://pair?code=ABC234&server=http://localhost:8080' >/dev/null 2>&1 || true
        wait_for 30 window_id "Set Up Wrenbox" || true
        sleep 3
        shoot_window "Set Up Wrenbox" "setup-$name"
        if [ "$scale" = 1 ]; then
            # Settings from the tray icon's menu, its first item.
            local icon
            icon=$(tray_icon)
            xdotool mousemove --window "$icon" 5 5 click 3
            sleep 1
            xdotool key Down Return
            wait_for 30 window_id "Wrenbox Settings" || true
            shoot_window "Wrenbox Settings" "settings-$theme-$size"
        fi
    fi
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    pids=()
}

rm -rf "$out"
mkdir -p "$out"
for theme in light dark; do
    for scale in 1 2; do
        for size in 1280x800 1366x768; do
            session "$theme" "$scale" "$size" windows
        done
    done
    session "$theme" 1 1280x800 sending
done
ls "$out"
