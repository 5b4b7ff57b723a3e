#!/usr/bin/env bash
# Measures the installed app at rest, as it runs in a desktop session: time to its first window
# or tray icon, resident memory, CPU time and wake-ups in an idle minute. Runs a private Xvfb
# with a system tray (trayer) and a session bus, the development relay in dry-run mode paired to
# a local server; nothing touches your home folder. The icon sits in the tray and the status
# panel stays closed; with --no-tray there is no tray, so the panel opens as a window instead.
#   scripts/measure-idle.sh [--no-tray] [BUILD_DIR] [IDLE_SECONDS]
# The development relay reports a sync every 2 s; those events are the relay's, not the app's
# own idle cost, so they are slowed to one a minute here unless WRENBOX_DEVRELAY_SYNC_MS is set.
set -euo pipefail
cd "$(dirname "$0")/.."

tray=1
if [ "${1:-}" = --no-tray ]; then
    tray=0
    shift
fi
build=${1:-build}
idle=${2:-60}
[ -d "$build" ] || { echo "No build folder $build; build first (cmake --build $build)" >&2; exit 1; }
WRENBOX_EXTRA_DEPS="xvfb dbus trayer x11-utils" scripts/deps.sh

work=$(mktemp -d)
app_pid=
xvfb_pid=
tray_pid=
bus_pid=
cleanup() {
    for pid in "$app_pid" "$tray_pid" "$bus_pid" "$xvfb_pid"; do
        [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
app=$prefix/bin/wrenbox-app
relay=$prefix/libexec/wrenbox/wrenbox
[ -x "$app" ] && [ -x "$relay" ] || { echo "The install lacks $app or $relay" >&2; exit 1; }

mkdir -p "$work/home" "$work/run"
chmod 700 "$work/run"
# A user's own folders, so the app takes the same paths as an installed one (single copy,
# settings, relay state under XDG_CONFIG_HOME).
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_RUNTIME_DIR=$work/run WRENBOX_RELAY_DRY_RUN=1
export WRENBOX_DEVRELAY_SYNC_MS=${WRENBOX_DEVRELAY_SYNC_MS:-60000}
unset WAYLAND_DISPLAY QT_QPA_PLATFORM WRENBOX_CONFIG_DIR XDG_CURRENT_DESKTOP

"$relay" relay pair ABC234 --server http://localhost:8080 --json >/dev/null

# A display of our own; Xvfb writes its number to fd 3 once it accepts clients.
exec 3<> <(:)
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 10 display <&3 || { echo "Xvfb did not start" >&2; exit 1; }
exec 3>&-
export DISPLAY=:$display

# The session bus a desktop session has (Qt asks it whether a D-Bus tray exists).
dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=1 >"$work/bus"
{ read -r DBUS_SESSION_BUS_ADDRESS && read -r bus_pid; } <"$work/bus" ||
    { echo "dbus-daemon did not start" >&2; exit 1; }
export DBUS_SESSION_BUS_ADDRESS

if [ "$tray" = 1 ]; then
    trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
    tray_pid=$!
    for _ in $(seq 100); do
        xwininfo -root -children 2>/dev/null | grep -q '"panel": ("panel" "trayer")' && break
        sleep 0.1
    done
    xwininfo -root -children | grep -q '"trayer"' || { echo "trayer did not start" >&2; exit 1; }
fi

# Starts the app in the background; its start-up report goes to $work/app.err.
launch() {
    # Microseconds since the epoch, taken without starting a process: the report counts from here.
    WRENBOX_REPORT_STARTUP=1 WRENBOX_LAUNCHED_AT_US=${EPOCHREALTIME/./} "$app" 2>"$work/app.err" &
    app_pid=$!
    for _ in $(seq 100); do
        grep -q "after" "$work/app.err" 2>/dev/null && break
        sleep 0.1
    done
}
# Milliseconds from launch to the first window or tray icon, from the report.
launch_ms() { sed -n 's/.* after \([0-9.]*\) ms since launch.*/\1/p' "$work/app.err" | head -n 1; }

# Cold starts first (each quit before the next), for a fair figure on a machine whose load varies.
starts=${WRENBOX_MEASURE_STARTS:-5}
times=()
for _ in $(seq "$starts"); do
    launch
    ms=$(launch_ms)
    if [ -n "$ms" ]; then
        times+=("$ms")
    else
        echo "A start gave no report: $(cat "$work/app.err")" >&2
    fi
    kill -TERM "$app_pid" 2>/dev/null || true
    wait "$app_pid" || true
    app_pid=
    sleep 0.5
done
spread=$(printf '%s\n' "${times[@]}" | sort -n | awk '{ v[NR] = $1 } END {
    if (NR) printf "min %s, median %s, max %s ms over %d starts", v[1], v[int((NR + 1) / 2)], v[NR], NR }')

launch
startup=$(grep -m1 "after" "$work/app.err" || echo "no start-up report")

# CPU time of every thread of the app (not the relay), in nanoseconds, from schedstat.
cpu_ns() { cat /proc/"$app_pid"/task/*/schedstat | awk '{ s += $1 } END { print s }'; }
# Voluntary plus involuntary context switches, per thread id ("tid count" lines).
switches() {
    for task in /proc/"$app_pid"/task/*; do
        awk -v tid="${task##*/}" '/^(voluntary|nonvoluntary)_ctxt_switches/ { s += $2 }
            END { print tid, s }' "$task/status" 2>/dev/null || true
    done
}
# Switches between two samples (of one thread id when a third argument names it); a thread
# that came and went in between is not counted.
switch_delta() {
    awk -v only="${3:-}" 'NR == FNR { before[$1] = $2; next }
        only == "" || $1 == only { d += $2 - ($1 in before ? before[$1] : 0) }
        END { print d + 0 }' "$1" "$2"
}
ticks() { awk '{ print $14 + $15 }' /proc/"$app_pid"/stat; }
rss() { awk '/^VmRSS/ { print $2 " " $3 }' /proc/"$app_pid"/status; }

# The app's top-level windows the display shows, as "title (width x height)".
shown_windows() {
    xwininfo -root -children | awk '/\("wrenbox-app" "Wrenbox"\)/ { print $1 }' | while read -r id; do
        info=$(xwininfo -id "$id")
        grep -q 'Map State: IsViewable' <<<"$info" || continue
        title=$(sed -n 's/^xwininfo: Window id: [^ ]* "\(.*\)"$/\1/p' <<<"$info")
        width=$(awk '/^ *Width:/ { print $2 }' <<<"$info")
        height=$(awk '/^ *Height:/ { print $2 }' <<<"$info")
        printf '%s\n' "${title:-untitled} (${width}x${height})"
    done | paste -sd ';' | sed 's/;/; /g'
}

sleep 10
rss10=$(rss)
cpu0=$(cpu_ns); switches >"$work/sw0"; t0=$(ticks)
sleep $((idle - 10 > 0 ? idle - 10 : 0))
rss60=$(rss)
sleep 10
cpu1=$(cpu_ns); switches >"$work/sw1"; t1=$(ticks)
threads=$(ls /proc/"$app_pid"/task | wc -l)
windows=$(shown_windows)
# The relay is named like its helper; the keeper (wrenbox-keeper) only waits for the app's end.
relays=$(pgrep -x -P "$app_pid" wrenbox | tr '\n' ' ' || true)
keeper=$(pgrep -x -P "$app_pid" wrenbox-keeper || true)
keeper_info=none
if [ -n "$keeper" ]; then
    keeper_info="$keeper: resident $(awk '/^VmRSS/ { print $2 " " $3 }' /proc/"$keeper"/status), \
$(awk '/ctxt_switches/ { s += $2 } END { print s }' /proc/"$keeper"/status) context switches in its life"
fi
main_thread=$app_pid

kill -TERM "$app_pid"
status=0
wait "$app_pid" || status=$?
app_pid=
left=
for pid in $relays; do
    [ -d /proc/"$pid" ] && [ "$(awk '{ print $3 }' /proc/"$pid"/stat 2>/dev/null)" != Z ] && left="$left $pid"
done
sleep 0.2 # the keeper's last sweep
if [ -n "$keeper" ] && [ -d /proc/"$keeper" ] && [ "$(awk '{ print $3 }' /proc/"$keeper"/stat)" != Z ]; then
    keeper_info="$keeper_info; still running after SIGTERM"
elif [ -n "$keeper" ]; then
    keeper_info="$keeper_info; ended with the app"
fi

cat <<REPORT
relay syncs every:  ${WRENBOX_DEVRELAY_SYNC_MS} ms
start-up:           ${spread:-no start-up reports}
last start:         $startup
tray:               $([ "$tray" = 1 ] && echo "trayer (XEmbed), session bus running" || echo "none (--no-tray)")
windows on screen:  ${windows:-none}
resident memory:    ${rss10} after 10 s, ${rss60} after ${idle} s
CPU in ${idle} s idle:    $(( (cpu1 - cpu0) / 1000000 )) ms (schedstat), $(( (t1 - t0) * 1000 / $(getconf CLK_TCK) )) ms (utime+stime ticks)
wake-ups in ${idle} s:    $(switch_delta "$work/sw0" "$work/sw1") context switches over $threads threads, $(switch_delta "$work/sw0" "$work/sw1" "$main_thread") of them the main thread's
relay processes:    ${relays:-none} while running; after SIGTERM: ${left:-none left}, app exit status $status
keeper:             $keeper_info
REPORT
