#!/usr/bin/env bash
# Measures the app against a misbehaving relay: scripts/hostile/relay.py takes the relay's place
# in a temporary install, run under a private Xvfb and session bus with no tray (so the status
# panel is the app's window) and private HOME and XDG folders.
#   scripts/measure-hostile.sh BUILD_DIR CASE
#   big-status      `status` prints 400 MB
#   endless-status  `status` prints without end
#   event-storm     each run of the relay starts with 300 events that each ask for a refresh
#   big-message     an error event whose message is 1 MB (HOSTILE_MESSAGE_BYTES) without spaces
#   big-message-exit  the same, then the relay exits 1: the message becomes the panel's status
#   checks-500      Setup opened with a health report of 500 failing checks, new on each refresh
#   checks-5000     the same with 5000
#   flood           events as fast as the app takes them
# Reports the app's peak memory, its longest main-loop freeze (the longest wait for an answer
# to a second launch, probed every 20 ms), the relay calls it made, peak open files, its CPU
# share, events taken (flood) and the processes left running after it quit. HOSTILE_SECONDS
# (default 20) is how long it probes; an app past HOSTILE_MAX_RSS_MB (default 3000) is killed.
# HOSTILE_TRAY=1 runs a tray (trayer), so the panel stays hidden behind the tray icon.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-}
hostile=${2:-}
case $hostile in
big-status | endless-status | event-storm | big-message | big-message-exit | checks-500 | \
    checks-5000 | flood) ;;
*) sed -n '5,13s/^# \{0,1\}//p' "$0" >&2; exit 2 ;;
esac
[ -x "$build/bin/wrenbox-app" ] || { echo "No $build/bin/wrenbox-app; build it first" >&2; exit 1; }
seconds=${HOSTILE_SECONDS:-20}
max_kb=$((${HOSTILE_MAX_RSS_MB:-3000} * 1024))
tray=${HOSTILE_TRAY:-0}
WRENBOX_EXTRA_DEPS="xvfb dbus python3$([ "$tray" = 1 ] && echo " trayer x11-utils")" scripts/deps.sh

work=$(mktemp -d)
# Only the app's environment carries this mark, and whatever it starts inherits it: that finds
# its descendants even when they left its process group or session.
tag=$$-$RANDOM
marked() { grep -lsz "^HOSTILE_TAG=$tag\$" /proc/[0-9]*/environ | cut -d/ -f3 || true; }
app_pid= bus_pid= xvfb_pid= tray_pid=
cleanup() {
    for pid in $(marked) $app_pid $tray_pid $bus_pid $xvfb_pid; do
        kill -KILL "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

prefix=$work/prefix
mkdir -p "$prefix/bin" "$prefix/libexec/wrenbox" "$work/home" "$work/run"
chmod 700 "$work/run"
cp "$build/bin/wrenbox-app" "$prefix/bin/"
cp "$build/libexec/wrenbox/wrenbox-keeper" "$prefix/libexec/wrenbox/" 2>/dev/null || true
cp scripts/hostile/relay.py "$prefix/libexec/wrenbox/wrenbox"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_RUNTIME_DIR=$work/run
export HOSTILE_CASE=$hostile HOSTILE_LOG=$work/relay.log HOSTILE_COUNT=$work/count
unset WAYLAND_DISPLAY QT_QPA_PLATFORM WRENBOX_CONFIG_DIR WRENBOX_RELAY_DRY_RUN XDG_CURRENT_DESKTOP
: >"$work/relay.log"

exec 3<> <(:)
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 10 display <&3 || { echo "Xvfb did not start" >&2; exit 1; }
exec 3>&-
export DISPLAY=:$display
dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=1 >"$work/bus"
{ read -r DBUS_SESSION_BUS_ADDRESS && read -r bus_pid; } <"$work/bus"
export DBUS_SESSION_BUS_ADDRESS
if [ "$tray" = 1 ]; then
    trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
    tray_pid=$!
    for _ in $(seq 100); do
        xwininfo -root -children 2>/dev/null | grep -q '"trayer"' && break
        sleep 0.1
    done
fi

env HOSTILE_TAG="$tag" "$prefix/bin/wrenbox-app" 2>"$work/app.err" &
app_pid=$!
for _ in $(seq 100); do [ -S "$work/run/wrenbox-$(id -u).socket" ] && break; sleep 0.1; done
first=()
case $hostile in
checks-*) first=('wrenbox-mac://pair?code=ABC234&server=http://localhost:8080') ;; # opens Setup
flood) for _ in $(seq 100); do [ -s "$work/count" ] && break; sleep 0.1; done ;;
esac

cpu_ns() { awk '{ s += $1 } END { printf "%.0f\n", s }' /proc/"$app_pid"/task/*/schedstat 2>/dev/null || echo 0; }
events() { cat "$work/count" 2>/dev/null || echo 0; }
span() { awk -v a="$1" -v b="$2" 'BEGIN { print b - a }'; }
load0=$(cut -d' ' -f1-3 /proc/loadavg)
cpu0=$(cpu_ns) events0=$(events) t0=$EPOCHREALTIME
/usr/bin/python3 scripts/hostile/probe.py "$seconds" "${first[@]}" >"$work/probe" &
probe_pid=$!
fds=0 hwm=0 rss=0 capped= cpu1=$cpu0 t1=$t0
while kill -0 "$probe_pid" 2>/dev/null && [ -d /proc/"$app_pid" ]; do
    n=$(find /proc/"$app_pid"/fd -mindepth 1 2>/dev/null | wc -l)
    ((n > fds)) && fds=$n
    read -r h r < <(awk '/^VmHWM/ { h = $2 } /^VmRSS/ { r = $2 } END { print h + 0, r + 0 }' \
        /proc/"$app_pid"/status 2>/dev/null)
    c=$(cpu_ns)
    ((h > 0 && c > 0)) || break
    hwm=$h rss=$r cpu1=$c t1=$EPOCHREALTIME
    if ((rss > max_kb)); then
        capped=" (killed past ${HOSTILE_MAX_RSS_MB:-3000} MB, $(span "$t0" "$t1") s in)"
        kill -KILL "$app_pid"
    fi
    sleep 0.1
done
events1=$(events)
wait "$probe_pid" || true
read -r probes median longest <"$work/probe" || true

# An app still frozen gets 10 s to quit before it is killed.
kill -TERM "$app_pid" 2>/dev/null || true
for _ in $(seq 100); do [ "$(awk '{ print $3 }' /proc/"$app_pid"/stat 2>/dev/null)" = Z ] && break; sleep 0.1; done
kill -KILL "$app_pid" 2>/dev/null || true
status=0
wait "$app_pid" 2>/dev/null || status=$?
app_pid=
sleep 1
left=$(for pid in $(marked); do echo "$pid:$(cat /proc/"$pid"/comm 2>/dev/null)"; done | paste -sd' ')

cat <<REPORT
case:               $hostile, build $build, ${seconds} s probed, $([ "$tray" = 1 ] && echo "tray (panel hidden)" || echo "no tray (panel shown)")
load average:       $load0 before, $(cut -d' ' -f1-3 /proc/loadavg) after
peak memory:        ${hwm} kB (VmHWM), ${rss} kB resident at the end$capped
longest freeze:     ${longest:--} ms (median answer ${median:--} ms, ${probes:-0} second launches answered)
relay calls:        $(cut -d' ' -f2 "$work/relay.log" | sort | uniq -c | awk '{ printf "%s%s %s", s, $2, $1; s = ", " }')
peak open files:    $fds
app CPU:            $(awk -v c="$(span "$cpu0" "$cpu1")" -v t="$(span "$t0" "$t1")" 'BEGIN { printf "%.0f %% of a core", c / 1e9 / t * 100 }')
events taken:       $([ "$hostile" = flood ] && awk -v n="$(span "$events0" "$events1")" -v t="$(span "$t0" "$t1")" 'BEGIN { printf "%.0f/s", n / t }' || echo -)
after quit:         exit status $status; left running: ${left:-none}
REPORT
