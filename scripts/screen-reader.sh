#!/usr/bin/env bash
# Shows what the Orca screen reader says while the installed app is used from the keyboard.
# Runs a private Xvfb with a window manager (openbox), a session bus, the accessibility bus and
# Orca, and the app with the development relay in dry-run mode and no tray (so the status panel
# is a window); nothing touches your home folder. After each key it prints the object that has
# the keyboard focus and the lines Orca spoke, and it prints the panel's, Setup's and Settings'
# accessibility trees as a screen reader gets them.
#   scripts/screen-reader.sh [BUILD_DIR_OR_PREFIX] SCENARIO
#   panel     the panel opening (at launch, and again from a second launch); Tab through it
#   pause     Ctrl+P in the panel, then Ctrl+P again
#   pairing   an unpaired app: Setup opens by itself; server and code typed, Return pressed
#   copy      Setup's Details opened and "Copy diagnostics" pressed from the keyboard
#   settings  Settings opened from Setup; Tab through it
#   all       each of them, in this order
# The argument is an install prefix (default /tmp/wbinst) or a build folder, which is installed
# into a temporary folder first. It fails when Orca spoke nothing while the app was used.
# SCREEN_READER_TIMEOUT (default 900) bounds the whole run in seconds; SCREEN_READER_LOG=FILE
# keeps Orca's debug log (the events it acted on), to see why a step said nothing.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() { sed -n '8,18s/^# \{0,1\}//p' "$0" >&2; exit 2; }
die() { echo "screen-reader: $*" >&2; exit 1; }
case $# in
1) target=/tmp/wbinst scenario=$1 ;;
2) target=$1 scenario=$2 ;;
*) usage ;;
esac
case $scenario in
all) scenarios=(panel pause pairing copy settings) ;;
panel | pause | pairing | copy | settings) scenarios=("$scenario") ;;
*) usage ;;
esac
[ -d "$target" ] || die "no folder $target: name an install prefix or a build folder"
WRENBOX_EXTRA_DEPS="xvfb dbus openbox xdotool xclip x11-utils at-spi2-core orca python3-pyatspi
    libglib2.0-bin gsettings-desktop-schemas" scripts/deps.sh

# Orca allows one copy per user and would refuse to start beside another.
if others=$(pgrep -u "$(id -u)" -x orca); then
    die "Orca already runs as this user (pid $(paste -sd' ' <<<"$others")); this run needs its own"
fi

work=$(mktemp -d)
# Every process started here carries this mark, and whatever they start inherits it: that finds
# them all at the end, also those that a bus started or that left their parent.
tag=$$-$RANDOM
mark=(env SCREEN_READER_TAG="$tag")
marked() { grep -lsz "^SCREEN_READER_TAG=$tag\$" /proc/[0-9]*/environ | cut -d/ -f3 || true; }
app_pid='' watchdog=''
cleanup() {
    # The app first, so that it stops its relay; Orca ignores SIGTERM while it waits for events.
    if [ -n "$app_pid" ]; then
        kill -TERM "$app_pid" 2>/dev/null || true
        for _ in $(seq 50); do [ -d /proc/"$app_pid" ] || break; sleep 0.1; done
    fi
    for pid in $(marked) $watchdog; do kill -KILL "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    [ -z "${SCREEN_READER_LOG:-}" ] || cp "$work/orca.log" "$SCREEN_READER_LOG" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'echo "screen-reader: stopped after ${SCREEN_READER_TIMEOUT:-900} s" >&2; exit 124' USR1
trap 'exit 130' INT TERM
# shellcheck disable=SC2016 # expanded by the inner shell
"${mark[@]}" bash -c 'sleep "$1" && kill -USR1 "$2"' _ "${SCREEN_READER_TIMEOUT:-900}" $$ &
watchdog=$!

if [ -f "$target/CMakeCache.txt" ]; then
    cmake --install "$target" --prefix "$work/prefix" >/dev/null
    target=$work/prefix
fi
app=$target/bin/wrenbox-app
relay=$target/libexec/wrenbox/wrenbox
if [ ! -x "$app" ] || [ ! -x "$relay" ]; then
    die "no $app or $relay: name an install prefix or a build folder"
fi
atspi=(timeout 60 /usr/bin/python3 scripts/screen-reader/atspi.py)

mkdir -p "$work/home" "$work/run" "$work/orca"
chmod 700 "$work/run"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_CACHE_HOME=$work/home/.cache XDG_RUNTIME_DIR=$work/run
# Settings in a file of our own, which the accessibility bus and Orca read too.
export GSETTINGS_BACKEND=keyfile
# What a desktop session has; Qt is to find the screen reader by itself, as it would there.
unset WAYLAND_DISPLAY QT_QPA_PLATFORM WRENBOX_CONFIG_DIR XDG_CURRENT_DESKTOP AT_SPI_BUS_ADDRESS \
    QT_ACCESSIBILITY QT_LINUX_ACCESSIBILITY_ALWAYS_ON SESSION_MANAGER

# A display number of our own, held by Xvfb's lock file (an Xvfb that picks its number with
# -displayfd writes none, so another started with a fixed number could take it over).
display=
for n in $(shuf -i 100-599 -n 20); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    "${mark[@]}" Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        xdpyinfo -display ":$n" >/dev/null 2>&1 && break
        [ -d /proc/"$xvfb_pid" ] || break
        sleep 0.1
    done
    if [ "$(tr -d ' ' <"/tmp/.X$n-lock" 2>/dev/null)" = "$xvfb_pid" ] &&
        xdpyinfo -display ":$n" >/dev/null 2>&1; then
        display=$n
        break
    fi
    kill -KILL "$xvfb_pid" 2>/dev/null || true
done
[ -n "$display" ] || die "Xvfb did not start"
export DISPLAY=:$display
"${mark[@]}" dbus-daemon --session --fork --nopidfile --print-address=1 >"$work/bus"
read -r DBUS_SESSION_BUS_ADDRESS <"$work/bus" || die "dbus-daemon did not start"
export DBUS_SESSION_BUS_ADDRESS

"${mark[@]}" openbox --sm-disable >"$work/openbox.log" 2>&1 &
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || die "openbox did not start"

# The switches a desktop flips for a screen reader; the accessibility bus reports them as
# IsEnabled and ScreenReaderEnabled, which is what turns Qt's AT-SPI bridge on.
gsettings set org.gnome.desktop.interface toolkit-accessibility true
gsettings set org.gnome.desktop.a11y.applications screen-reader-enabled true
"${mark[@]}" /usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/a11y-bus.log" 2>&1 &
a11y() {
    timeout 10 gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus "$@" 2>/dev/null
}
for _ in $(seq 100); do a11y --method org.a11y.Bus.GetAddress >/dev/null && break; sleep 0.1; done
a11y --method org.a11y.Bus.GetAddress >/dev/null ||
    die "org.a11y.Bus does not answer on the session bus: $(cat "$work/a11y-bus.log")"
for property in IsEnabled ScreenReaderEnabled; do
    a11y --method org.freedesktop.DBus.Properties.Get org.a11y.Status "$property" | grep -q true ||
        a11y --method org.freedesktop.DBus.Properties.Set org.a11y.Status "$property" '<true>' \
            >/dev/null || true
    a11y --method org.freedesktop.DBus.Properties.Get org.a11y.Status "$property" | grep -q true ||
        die "the accessibility bus does not say $property"
done

# Orca writes each utterance to its debug log before it hands it to a speech server, so the log
# is what it says whether or not a synthesizer exists. The log is read as it grows: line
# buffering. Informational level keeps the events Orca acted on without every detail.
log=$work/orca.log
cat >"$work/orca/orca-customizations.py" <<'EOF'
from orca import debug
if debug.debugFile:
    debug.debugFile.reconfigure(line_buffering=True)
    debug.debugLevel = debug.LEVEL_INFO
EOF
"${mark[@]}" orca --user-prefs "$work/orca" --enable speech --disable braille --debug-file "$log" \
    >"$work/orca.out" 2>&1 &
orca_pid=$!
for _ in $(seq 300); do
    grep -q "ORCA: Starting registry" "$log" 2>/dev/null && break
    [ -d /proc/"$orca_pid" ] || break
    sleep 0.1
done
grep -q "ORCA: Starting registry" "$log" 2>/dev/null ||
    die "Orca did not start: $(cat "$work/orca.out"; tail -n 20 "$log" 2>/dev/null)"
echo "Orca $(dpkg-query -W -f='${Version}' orca), read from its debug log; at start it said:"
"${atspi[@]}" spoken "$log" 0 | sed 's/^/   /'

# --- The app ---

app_state=     # paired or unpaired, while an app runs
launches=0
app_env=()    # the app's environment, set by start_app
run_app() { # in the background or, with --wait, until it quits (a second launch)
    if [ "${1:-}" = --wait ]; then
        shift
        "${app_env[@]}" timeout 30 "$app" "$@" 2>>"$work/app.err" || die "a second launch failed"
    else
        "${app_env[@]}" "$app" "$@" 2>>"$work/app.err" &
        app_pid=$!
    fi
}
quit_app() {
    [ -n "$app_pid" ] || return 0
    kill -TERM "$app_pid" 2>/dev/null || true
    for _ in $(seq 100); do [ -d /proc/"$app_pid" ] || break; sleep 0.1; done
    kill -KILL "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
    app_pid='' app_state=''
}
start_app() { # paired or unpaired
    quit_app
    launches=$((launches + 1))
    local home=$work/app$launches
    mkdir -p "$home"
    # Folders of its own: each launch starts from nothing. No WRENBOX_CONFIG_DIR, which would
    # make it a development run with no single instance, so no second launch to bring it back.
    app_env=("${mark[@]}" HOME="$home" XDG_CONFIG_HOME="$home/.config"
        XDG_DATA_HOME="$home/.local/share" QT_QPA_PLATFORM=xcb WRENBOX_RELAY_DRY_RUN=1)
    if [ "$1" = paired ]; then
        # Paired as the development relay is, against a local server (dry run allows no other).
        "${app_env[@]}" timeout 30 "$relay" relay pair ABC234 --server http://localhost:8080 --json \
            >/dev/null || die "the development relay did not pair"
    fi
    run_app
    app_state=$1
    "${atspi[@]}" wait-app "$app_pid" 20 ||
        die "the app never came on the accessibility bus (Qt's AT-SPI bridge stayed off):" \
            "$(tail -n 5 "$work/app.err")"
}

window_of() {
    timeout 10 xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | awk 'NR == 1' | grep .
}
wait_window() { # title, seconds
    for _ in $(seq $(($2 * 10))); do window_of "$1" >/dev/null && return 0; sleep 0.1; done
    die "no window \"$1\" after $2 s"
}
wait_gone() {
    for _ in $(seq 50); do window_of "$1" >/dev/null || return 0; sleep 0.1; done
    die "the window \"$1\" did not close"
}
# Keys go to the active window: the named one is made active first when it is not.
activate() {
    local id
    id=$(window_of "$1") || die "no window \"$1\" to type into"
    [ "$(timeout 10 xdotool getactivewindow 2>/dev/null)" = "$id" ] ||
        timeout 10 xdotool windowactivate --sync "$id" >/dev/null 2>&1 || true
}
keys_to() { # title, keys
    activate "$1"
    shift
    timeout 60 xdotool key --clearmodifiers --delay 100 "$@"
}
type_to() { # title, text
    activate "$1"
    timeout 60 xdotool type --clearmodifiers --delay 150 "$2"
}
retype_to() { # title, text that replaces the field's
    keys_to "$1" ctrl+a
    type_to "$1" "$2"
}
focus_name() { "${atspi[@]}" focus "$app_pid" name; }

# Waits until Orca has gone quiet: at least 1.5 s, then until 1.5 s pass with nothing new
# spoken, at most 10 s.
settle() {
    local from=$1 count last=-1 quiet=0 tenths=0
    while [ $tenths -lt 100 ]; do
        count=$(tail -c +"$((from + 1))" "$log" | grep -c "SPEECH OUTPUT" || true)
        if [ "$count" = "$last" ]; then quiet=$((quiet + 2)); else quiet=0 last=$count; fi
        [ $tenths -ge 15 ] && [ $quiet -ge 15 ] && return 0
        sleep 0.2
        tenths=$((tenths + 2))
    done
}

spoken_total=0
# One step: a title, then the command that acts; prints the focus and what Orca said.
step() {
    local title=$1 from said
    shift
    from=$(stat -c %s "$log")
    echo "-- $title"
    "$@"
    settle "$from"
    [ -d /proc/"$orca_pid" ] || die "Orca stopped: $(tail -n 20 "$work/orca.out")"
    said=$("${atspi[@]}" spoken "$log" "$from")
    echo "   focus: $("${atspi[@]}" focus "$app_pid")"
    [ -z "$said" ] || printf '   %s\n' "${said//$'\n'/$'\n'   }"
    # Key echo is Orca's own; the app is heard only in the other lines.
    if grep -q '^orca:' <<<"$said"; then
        spoken_total=$((spoken_total + $(grep -c '^orca:' <<<"$said")))
    else
        echo "   orca:  (nothing but key echo)"
    fi
}
tree() {
    echo "-- accessibility tree of \"$1\" (role 'name' desc='description' [states])"
    "${atspi[@]}" tree "$app_pid" "$1" | sed 's/^/   /'
}

# Tab (or the key given) until the focus is on the object named, each press a step.
tab_to() { # title of the window, name, key
    local n
    for n in $(seq 40); do
        [ "$(focus_name)" = "$2" ] && return 0
        step "${3:-Tab} (looking for \"$2\")" keys_to "$1" "${3:-Tab}"
    done
    die "\"$2\" never took the focus in \"$1\""
}
# Tab round the window once, each press a step, until the focus is back where it began.
tab_round() { # title of the window
    local first n
    first=$("${atspi[@]}" focus "$app_pid")
    for n in $(seq 25); do
        step "Tab ($n)" keys_to "$1" Tab
        [ "$("${atspi[@]}" focus "$app_pid")" = "$first" ] && return 0
    done
    echo "   (the focus did not come back to where it began within 25 presses)"
}

# The panel as a window in front: shown at launch; a second launch brings it back when closed.
panel_back() {
    run_app --wait
    wait_window Wrenbox 20
}
ensure_panel() {
    if [ "$app_state" != paired ]; then
        start_app paired
        step "launch, paired (no tray: the panel opens as a window)" wait_window Wrenbox 20
    elif ! window_of Wrenbox >/dev/null; then
        step "second launch of the app (opens the running copy's panel)" panel_back
    fi
}
headline() {
    echo "   panel shows: $("${atspi[@]}" tree "$app_pid" Wrenbox |
        awk '/^ *heading / && !n++ { sub(/^ */, ""); print }')"
}
ensure_setup() {
    if window_of "Set Up Wrenbox" >/dev/null; then
        return 0
    fi
    ensure_panel
    window_of "Set Up Wrenbox" >/dev/null && return 0
    step "Ctrl+, in the panel (Setup)" open_setup
}
open_setup() {
    keys_to Wrenbox ctrl+comma
    wait_window "Set Up Wrenbox" 10
}
pair_done() { # until Setup says it is paired
    local until=$((SECONDS + 20))
    while [ $SECONDS -lt $until ]; do
        grep -q "'Paired as" <<<"$("${atspi[@]}" tree "$app_pid" "Set Up Wrenbox")" && return 0
        sleep 0.2
    done
    echo "   (Setup did not say \"Paired as\" within 20 s)"
}

scenario_panel() {
    quit_app
    start_app paired
    step "launch, paired (no tray: the panel opens as a window)" wait_window Wrenbox 20
    step "nothing pressed for 5 s" sleep 5
    step "Escape (closes the panel)" keys_to Wrenbox Escape
    wait_gone Wrenbox
    step "second launch of the app (opens the running copy's panel)" panel_back
    tab_round Wrenbox
    tree Wrenbox
}

scenario_pause() {
    ensure_panel
    headline
    step "Ctrl+P (pause)" keys_to Wrenbox ctrl+p
    headline
    step "Ctrl+P again (resume)" keys_to Wrenbox ctrl+p
    headline
}

scenario_pairing() {
    start_app unpaired
    step "launch, unpaired (the panel; Setup opens by itself 1.5 s later)" \
        wait_window "Set Up Wrenbox" 20
    tree "Set Up Wrenbox"
    # Dry run pairs only with a local server: it is typed into Advanced's field first.
    tab_to "Set Up Wrenbox" Advanced
    step "Space on Advanced" keys_to "Set Up Wrenbox" space
    tab_to "Set Up Wrenbox" Server
    step "Ctrl+A, then type http://localhost:8080" retype_to "Set Up Wrenbox" http://localhost:8080
    tab_to "Set Up Wrenbox" "Pairing code" shift+Tab
    step "type ABC234" type_to "Set Up Wrenbox" ABC234
    step "Return (pair)" pair_with_return
    tree "Set Up Wrenbox"
}
pair_with_return() {
    keys_to "Set Up Wrenbox" Return
    pair_done
}

scenario_copy() {
    ensure_setup
    tab_to "Set Up Wrenbox" Details
    step "Space on Details" keys_to "Set Up Wrenbox" space
    tab_to "Set Up Wrenbox" "Copy diagnostics"
    step "Space on Copy diagnostics" copy_diagnostics
    tree "Set Up Wrenbox"
}

copy_diagnostics() {
    keys_to "Set Up Wrenbox" space
    # What the press put on the clipboard shows that it was pressed.
    echo "   clipboard: $(timeout 5 xclip -o -selection clipboard 2>/dev/null | head -n 1 ||
        echo "(empty)")"
}

scenario_settings() {
    ensure_setup
    tab_to "Set Up Wrenbox" "Settings…"
    step "Space on Settings…" open_settings
    tab_round "Wrenbox Settings"
    tree "Wrenbox Settings"
    step "Ctrl+Tab (the next page)" keys_to "Wrenbox Settings" ctrl+Tab
}
open_settings() {
    keys_to "Set Up Wrenbox" space
    wait_window "Wrenbox Settings" 10
}

for s in "${scenarios[@]}"; do
    echo
    echo "=== $s"
    "scenario_$s"
done
quit_app

echo
[ "$spoken_total" -gt 0 ] ||
    die "Orca spoke nothing but key echo while the app was used: a run that hears nothing shows nothing"
echo "Orca spoke $spoken_total lines besides key echo (each step's repeats counted once)."
