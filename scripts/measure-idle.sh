#!/usr/bin/env bash
# Measures the installed app at rest: time to its first window or tray icon, resident memory,
# CPU time and wake-ups in an idle minute. Runs under a private Xvfb with the development relay
# in dry-run mode, paired to a local server; nothing touches your home folder.
#   scripts/measure-idle.sh [BUILD_DIR] [IDLE_SECONDS]
# The development relay reports a sync every 2 s; those events are the relay's, not the app's
# own idle cost, so they are slowed to one a minute here unless WRENBOX_DEVRELAY_SYNC_MS is set.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
idle=${2:-60}
[ -d "$build" ] || { echo "No build folder $build; build first (cmake --build $build)" >&2; exit 1; }
command -v Xvfb >/dev/null || { echo "Xvfb is needed (apt-get install xvfb)" >&2; exit 1; }

work=$(mktemp -d)
app_pid=
xvfb_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
app=$prefix/bin/wrenbox-app
relay=$prefix/libexec/wrenbox/wrenbox
[ -x "$app" ] && [ -x "$relay" ] || { echo "The install lacks $app or $relay" >&2; exit 1; }

mkdir -p "$work/home" "$work/state" "$work/run"
chmod 700 "$work/run"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_RUNTIME_DIR=$work/run WRENBOX_CONFIG_DIR=$work/state WRENBOX_RELAY_DRY_RUN=1
export WRENBOX_DEVRELAY_SYNC_MS=${WRENBOX_DEVRELAY_SYNC_MS:-60000}
unset WAYLAND_DISPLAY QT_QPA_PLATFORM

"$relay" relay pair ABC234 --server http://localhost:8080 --json >/dev/null

# A display of our own; Xvfb writes its number to fd 3 once it accepts clients.
exec 3<> <(:)
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 10 display <&3 || { echo "Xvfb did not start" >&2; exit 1; }
exec 3>&-
export DISPLAY=:$display

WRENBOX_REPORT_STARTUP=1 "$app" 2>"$work/app.err" &
app_pid=$!
for _ in $(seq 100); do
    grep -q "after" "$work/app.err" 2>/dev/null && break
    sleep 0.1
done
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
# Switches between two samples; a thread that came and went in between is not counted.
switch_delta() {
    awk 'NR == FNR { before[$1] = $2; next } { d += $2 - ($1 in before ? before[$1] : 0) }
        END { print d }' "$1" "$2"
}
ticks() { awk '{ print $14 + $15 }' /proc/"$app_pid"/stat; }
rss() { awk '/^VmRSS/ { print $2 " " $3 }' /proc/"$app_pid"/status; }

sleep 10
rss10=$(rss)
cpu0=$(cpu_ns); switches >"$work/sw0"; t0=$(ticks)
sleep $((idle - 10 > 0 ? idle - 10 : 0))
rss60=$(rss)
sleep 10
cpu1=$(cpu_ns); switches >"$work/sw1"; t1=$(ticks)
threads=$(ls /proc/"$app_pid"/task | wc -l)
relays=$(pgrep -P "$app_pid" | tr '\n' ' ' || true)

kill -TERM "$app_pid"
status=0
wait "$app_pid" || status=$?
app_pid=
left=
for pid in $relays; do
    [ -d /proc/"$pid" ] && [ "$(awk '{ print $3 }' /proc/"$pid"/stat 2>/dev/null)" != Z ] && left="$left $pid"
done

cat <<REPORT
relay syncs every:  ${WRENBOX_DEVRELAY_SYNC_MS} ms
start-up:           $startup
resident memory:    ${rss10} after 10 s, ${rss60} after ${idle} s (panel open: no tray under Xvfb)
CPU in ${idle} s idle:    $(( (cpu1 - cpu0) / 1000000 )) ms (schedstat), $(( (t1 - t0) * 1000 / $(getconf CLK_TCK) )) ms (utime+stime ticks)
wake-ups in ${idle} s:    $(switch_delta "$work/sw0" "$work/sw1") context switches over $threads threads
relay processes:    ${relays:-none} while running; after SIGTERM: ${left:-none left}, app exit status $status
REPORT
