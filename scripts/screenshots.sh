#!/usr/bin/env bash
# Regenerates docs/screenshots from the real app, as a user sees it: the installed build under a
# private Xvfb with a window manager (openbox) and a system tray (trayer, XEmbed), with
# the development relay in dry-run mode; light and dark colour schemes (a KDE scheme, which
# Qt's generic theme reads), 1x and 2x, on 1280x800 and 1366x768 screens. Nothing touches your
# home folder.
#   scripts/screenshots.sh [BUILD_DIR]
# Every state the panel, Setup and Settings show is taken in light and dark at 1x on 1280x800;
# a few again at 2x and on 1366x768. The panel is taken with its tray icon above it, Setup and
# Settings as windows with their frames.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
[ -d "$build" ] || { echo "No build folder $build; build first (cmake --build $build)" >&2; exit 1; }
WRENBOX_EXTRA_DEPS="xvfb dbus openbox trayer imagemagick x11-utils xdotool sqlite3" scripts/deps.sh

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

# Absolute geometry of a window as "X Y W H".
geometry_of() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
        /^ *Width:/ { w = $2 } /^ *Height:/ { h = $2 } END { print x, y, w, h }'
}

# The app's windows carry the instance name wrenbox-app and the class Wrenbox (from the
# desktop file name), so they are found by --classname; --class would look for "Wrenbox".
app_windows() { xdotool search --onlyvisible --classname '^wrenbox-app$' 2>/dev/null; }

# The tray icon: the app's small window that trayer embeds. The panel: its large "Wrenbox" window.
tray_icon() {
    local id x y w h
    for id in $(app_windows); do
        read -r x y w h < <(geometry_of "$id")
        [ "$w" -le $((32 * scale)) ] && [ "$h" -le $((32 * scale)) ] && { echo "$id"; return 0; }
    done
    return 1
}
panel_window() {
    local id x y w h
    for id in $(xdotool search --onlyvisible --name '^Wrenbox$' 2>/dev/null); do
        read -r x y w h < <(geometry_of "$id")
        [ "$w" -gt 100 ] && { echo "$id"; return 0; }
    done
    return 1
}
window_named() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 | grep .; }

# Whether this session takes the named picture; extra sessions take only a few.
wanted() { [[ $1 =~ ^($only)$ ]]; }
file_for() { echo "$out/$1$suffix.png"; }

# The panel under its tray icon: from a margin left of the panel to the screen's right edge,
# from the top of the screen (the tray) to a margin below the panel.
shoot_panel() {
    wanted "$1" || return 0
    local id x y w h margin=$((24 * scale))
    id=$(panel_window) || { echo "$session: no panel for $1" >&2; failed=1; return 0; }
    sleep 1
    read -r x y w h < <(geometry_of "$id")
    local left=$((x - margin))
    [ "$left" -lt 0 ] && left=0
    import -window root -crop "$((width - left))x$((y + h + margin))+$left+0" +repage "$(file_for "$1")"
}

# A window with its frame (the decorations openbox draws around it).
shoot_window() {
    wanted "$2" || return 0
    local id x y w h l r t b
    id=$(window_named "$1") || { echo "$session: no window \"$1\" for $2" >&2; failed=1; return 0; }
    sleep 1
    read -r x y w h < <(geometry_of "$id") || { echo "$session: \"$1\" went away" >&2; failed=1; return 0; }
    IFS=', ' read -r l r t b < <(xprop -id "$id" _NET_FRAME_EXTENTS | sed -n 's/.*= //p')
    import -window root -crop "$((w + l + r))x$((h + t + b))+$((x - l))+$((y - t))" +repage \
        "$(file_for "$2")"
}

# Keys to one of the app's windows, made active first so that they reach it.
keys_to() {
    local id=$1
    shift
    xdotool windowactivate --sync "$id" >/dev/null 2>&1 || true
    sleep 0.3
    xdotool key --clearmodifiers "$@"
}

# A click on the tray icon opens the panel under it (a second start would open it as a window).
open_panel() {
    local icon
    icon=$(tray_icon) || { echo "$session: no tray icon to click" >&2; failed=1; return 0; }
    xdotool mousemove --window "$icon" $((8 * scale)) $((8 * scale)) click 1
    wait_for 20 panel_window || true
    sleep 1
}
close_panel() {
    local id
    id=$(panel_window) && keys_to "$id" Escape
    sleep 0.5
}

# One desktop: colour scheme, tray colour, scale and screen size; then one scenario, which
# prepares the relay's state, starts the app and photographs what it shows.
#   desktop THEME TRAY SCALE SIZE SCENARIO [SUFFIX] [ONLY]
desktop() {
    local theme=$1 tray=$2 size=$4 scenario=$5
    scale=$3 suffix=${6:-} only=${7:-.*}
    session="$scenario-$theme-$tray-tray-${scale}x-$size"
    # The same short home for every desktop, as its path shows in some messages.
    local home=$work/home
    rm -rf "$home"
    mkdir -p "$home/.config" "$home/.local/share" "$home/run"
    chmod 700 "$home/run"
    scheme "$theme" >"$home/.config/kdeglobals"
    export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share
    export XDG_RUNTIME_DIR=$home/run WRENBOX_RELAY_DRY_RUN=1 WRENBOX_REPORT_STARTUP=1
    # Qt's generic theme takes the palette from kdeglobals only inside a KDE session.
    export XDG_CURRENT_DESKTOP=KDE KDE_SESSION_VERSION=5
    unset WAYLAND_DISPLAY QT_QPA_PLATFORM QT_QPA_PLATFORMTHEME QT_SCALE_FACTOR WRENBOX_CONFIG_DIR
    unset WRENBOX_DEVRELAY_SYNC_MS WRENBOX_DEVRELAY_STEP_MS WRENBOX_DEVRELAY_REPLY_MS
    unset WRENBOX_DEVRELAY_CRASH
    # 2x is a screen of twice the pixels that Qt scales by 2, as on a HiDPI laptop.
    width=${size%x*}
    local height=${size#*x}
    width=$((width * scale)) height=$((height * scale))
    if [ "$scale" = 1 ]; then unset QT_SCREEN_SCALE_FACTORS; else export QT_SCREEN_SCALE_FACTORS=$scale; fi

    exec 3<> <(:)
    Xvfb -displayfd 3 -screen 0 "${width}x${height}x24" -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    local display
    read -r -t 10 display <&3 || { echo "Xvfb did not start" >&2; exit 1; }
    exec 3>&-
    export DISPLAY=:$display
    # A session bus of its own, as on a desktop; trayer is an XEmbed tray, which Qt uses when no
    # StatusNotifier host is on the bus.
    dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=1 >"$home/bus"
    export DBUS_SESSION_BUS_ADDRESS
    DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p "$home/bus")
    pids+=("$(sed -n 2p "$home/bus")")
    # A desktop backdrop, so that windows stand out from it.
    convert -size 16x16 xc:'#5b6d7c' "$home/backdrop.png"
    display -window root "$home/backdrop.png" 2>/dev/null || true # sets it, then exits with 1
    openbox >/dev/null 2>&1 &
    pids+=($!)
    # trayer now and then exits at once when it starts while openbox is still starting up.
    local attempt
    for attempt in 1 2 3; do
        trayer --edge top --align right --widthtype request --height $((24 * scale)) \
            --transparent true --alpha 0 --tint "$tray" --SetDockType true >>"$home/trayer.log" 2>&1 &
        pids+=($!)
        wait_for 10 sh -c 'xwininfo -root -children | grep -q "\"trayer\""' && break
        [ "$attempt" = 3 ] && { echo "$session: trayer did not start: $(cat "$home/trayer.log")" >&2; exit 1; }
    done

    "scenario_$scenario"

    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    pids=()
}

start_app() {
    "$app" "$@" >"$HOME/app.log" 2>&1 &
    local app_pid=$!
    pids+=("$app_pid")
    wait_for 30 tray_icon || {
        echo "$session: no tray icon on $DISPLAY; app $(kill -0 "$app_pid" 2>/dev/null && echo running || echo gone)" >&2
        xwininfo -root -tree >&2
        cat "$HOME/app.log" >&2
        exit 1
    }
    sleep 2
}

# Opens Setup's "Details". Setup opened afresh has its first control focused, and Details is
# third from the end of the focus chain (the history's strips and "Latest entries" follow it), so
# three steps back reach it. Setup is reopened for that, as pairing moved its focus on.
details_open() {
    local id
    id=$(window_named "Set Up Wrenbox") || return 1
    keys_to "$id" ctrl+w
    sleep 1
    open_setup
    id=$(window_named "Set Up Wrenbox") || return 1
    keys_to "$id" shift+Tab shift+Tab shift+Tab
    sleep 0.5
    xdotool key space
    sleep 1
}

# Setup from the panel's shortcut; the panel stays open until a click lands outside it, which
# xdotool's keys do not do.
open_setup() {
    open_panel
    keys_to "$(panel_window)" ctrl+comma
    wait_for 20 window_named "Set Up Wrenbox" || true
    close_panel
    sleep 2
}

pair_relay() { "$relay" relay pair ABC234 --server http://localhost:8080 --json >/dev/null; }
queue() { "$relay" queue --to "$1" --text "$2" >/dev/null; }

# Not paired: the panel asks for pairing, Setup shows the form, a pairing link pairs, Details
# open; then Settings from the tray icon's menu.
scenario_unpaired() {
    start_app
    open_panel
    shoot_panel panel/not-paired-$theme
    close_panel
    open_setup
    shoot_window "Set Up Wrenbox" setup/not-paired-$theme
    # A link naming a server other than the default one fills the form and waits for "Pair".
    "$app" 'wrenbox-mac://pair?code=ABC234&server=http://localhost:8080' >/dev/null 2>&1 || true
    sleep 2
    keys_to "$(window_named "Set Up Wrenbox")" Return
    sleep 5
    shoot_window "Set Up Wrenbox" setup/all-good-$theme
    if details_open; then
        sleep 2
        shoot_window "Set Up Wrenbox" setup/details-$theme
    fi
    local icon
    icon=$(tray_icon)
    xdotool mousemove --window "$icon" $((8 * scale)) $((8 * scale)) click 3
    sleep 1
    xdotool key Down Down Return
    wait_for 20 window_named "Wrenbox Settings" || true
    sleep 1
    shoot_window "Wrenbox Settings" settings/general-$theme
    keys_to "$(window_named "Wrenbox Settings")" ctrl+Tab
    sleep 1
    shoot_window "Wrenbox Settings" settings/licences-$theme
}

# Paired, after a few texts went out (one to a number that cannot take texts): the panel idle,
# then paused by the user.
scenario_paired() {
    pair_relay
    queue +15555550123 "Your code is 481 516"
    queue +15555550124 "The build finished"
    queue 12345 "Not a phone number"
    export WRENBOX_DEVRELAY_SYNC_MS=600000 WRENBOX_DEVRELAY_REPLY_MS=800
    start_app
    sleep 4
    open_panel
    shoot_panel panel/idle-$theme
    keys_to "$(panel_window)" ctrl+p
    sleep 3
    shoot_panel panel/paused-by-user-$theme
}

# A batch of 42 texts being sent, slowly enough to be photographed.
scenario_sending() {
    pair_relay
    for i in $(seq 42); do queue +15555550123 "Text $i"; done
    export WRENBOX_DEVRELAY_SYNC_MS=600000 WRENBOX_DEVRELAY_STEP_MS=600000
    start_app
    open_panel
    shoot_panel panel/sending-$theme
}

# Another relay already runs with the same settings, so the app's own relay stops at once.
scenario_stopped() {
    pair_relay
    WRENBOX_DEVRELAY_SYNC_MS=600000 "$relay" relay run --events json --dry-run >/dev/null 2>&1 &
    pids+=($!)
    sleep 1
    start_app
    sleep 3
    open_panel
    shoot_panel panel/relay-stopped-$theme
}

# The relay keeps failing: after five exits the panel and Setup tell the same story.
scenario_crash_loop() {
    pair_relay
    export WRENBOX_DEVRELAY_CRASH=1
    start_app
    # Restarts after 1, 2, 4 and 8 seconds.
    sleep 18
    open_panel
    shoot_panel panel/crash-loop-$theme
    close_panel
    open_setup
    shoot_window "Set Up Wrenbox" setup/crash-loop-$theme
}

# A week as a relay that ran most days leaves it: one line an entry, "DAYS-AGO MINUTE KIND
# [VALUE [TEXT]]" ("-" for no value).
seed_history() {
    local db=$XDG_DATA_HOME/wrenbox/history.sqlite midnight day minute kind value text
    midnight=$(date -d 'today 00:00' +%s)
    mkdir -p "${db%/*}"
    {
        echo "PRAGMA user_version = 2;"
        echo "CREATE TABLE entries (id INTEGER PRIMARY KEY, at INTEGER NOT NULL, kind TEXT NOT" \
            "NULL, value TEXT NOT NULL DEFAULT '', number INTEGER NOT NULL DEFAULT 0, text TEXT" \
            "NOT NULL DEFAULT '', span INTEGER NOT NULL DEFAULT 0);"
        echo "CREATE INDEX entries_at ON entries (at);"
        while read -r day minute kind value text; do
            [ "$value" = - ] && value=
            echo "INSERT INTO entries (at, kind, value, number, text) VALUES" \
                "($(((midnight - day * 86400 + minute * 60) * 1000)), '$kind', '$value'," \
                "$([ "$kind" = relay-exited ] && echo 3 || echo 0), '$text');"
        done <<'ENTRIES'
6 480 app-started
6 480 phase online
6 1110 app-stopped
5 450 app-started
5 450 phase online
5 720 phase paused
5 720 paused user
5 795 resumed user
5 795 phase online
5 1380 app-stopped
4 540 app-started
4 540 phase online
4 900 phase paused-by-server
4 1020 phase online
3 0 phase online
3 120 woke
3 600 phase sending
3 612 phase online
3 1200 app-stopped
2 360 app-started
2 360 phase online
2 1320 app-stopped
1 420 app-started
1 420 phase online
1 840 relay-exited
1 840 phase attention:relayStopped The relay stopped (exit 3). Wrenbox restarts it.
1 843 phase online
1 990 relay-exited
1 991 relay-exited
1 993 relay-exited
1 996 relay-exited
1 1000 relay-exited
1 1000 phase attention:relayStopped The relay keeps stopping (5 times in 10 minutes). Setup has the details.
1 1032 phase online
0 30 woke
0 360 phase sending
0 366 phase online
0 480 app-stopped
ENTRIES
    } | sqlite3 "$db"
}

# Setup's history after that week, scrolled down to it.
scenario_history() {
    seed_history
    pair_relay
    export WRENBOX_DEVRELAY_SYNC_MS=600000
    start_app
    open_setup
    local id x y w h
    id=$(window_named "Set Up Wrenbox") || return 0
    read -r x y w h < <(geometry_of "$id")
    xdotool mousemove $((x + w / 2)) $((y + h / 2))
    for _ in $(seq 40); do xdotool click 5; done
    shoot_window "Set Up Wrenbox" setup/history-$theme
}

rm -rf "$out"
mkdir -p "$out/panel" "$out/setup" "$out/settings"
failed=0
# Every state in light and dark, each on a tray of its own brightness, on a 1280x800 screen.
for theme in light dark; do
    tray=0xefefef
    [ "$theme" = dark ] && tray=0x2b2b2b
    for scenario in unpaired paired sending stopped crash_loop history; do
        desktop "$theme" "$tray" 1 1280x800 "$scenario"
    done
done
# A few at 2x and on a 1366x768 screen; light apps on a dark tray, as on GNOME's top bar.
desktop light 0x2b2b2b 2 1280x800 paired @2x 'panel/idle-light'
desktop dark 0x2b2b2b 2 1280x800 unpaired @2x 'setup/all-good-dark|settings/general-dark'
desktop light 0x2b2b2b 2 1280x800 history @2x 'setup/history-light'
desktop dark 0x2b2b2b 2 1280x800 history @2x 'setup/history-dark'
desktop light 0xefefef 1 1366x768 unpaired -1366x768 'setup/not-paired-light|setup/details-light'
desktop dark 0x2b2b2b 1 1366x768 sending -1366x768 'panel/sending-dark'
find "$out" -name '*.png' | sort
exit "$failed"
