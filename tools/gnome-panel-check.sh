#!/usr/bin/env bash
# Checks the settings panel on GNOME Shell's Wayland session (Mutter), headless: whether the
# open panel gets the keys, whether a full-screen native show sees any of them, how long after
# the release of 取消/确定 the show has the keyboard back, and how many of those clicks are lost.
# GNOME Shell headless is too fragile for the test suite, so this is a script to run by hand:
#
#   tools/gnome-panel-check.sh [--rounds N] [--build DIR] [-- command [args...]]
#
# DIR is a build tree with talk-countdown, tc-fakeshow and tc-readbar (default: build). Without
# a command it runs tools/panel-check.py (the check; see there for what it reports, and for the
# same check on sway and KWin); with one it runs that command inside the session instead (e.g.
# `-- bash` to look around). Exits with the command's status.
#
# Needs root and gnome-shell (apt-get install --no-install-recommends gnome-shell). Like
# tests/desktop/with-sway.sh, it runs everything in mount, network and PID namespaces of its
# own with a fresh /tmp, and runs GNOME Shell, its buses and the program as an unprivileged
# user (nobody). GNOME Shell wants a system bus: a private one is started, over tmpfs mounts
# on /run/dbus and /run/systemd (so that nothing of the host's systemd is seen). A headless
# start now and then hangs while XWayland comes up (in xrandr): each start gets a time limit
# and is tried again, up to three times.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
rounds=20
build=$root/build
inner=0
while (($#)); do
    case $1 in
    --rounds) rounds=${2:?--rounds needs a number}; shift 2 ;;
    --build) build=$(readlink -f "${2:?--build needs a folder}"); shift 2 ;;
    --inner) inner=1; shift ;;
    -h | --help) sed -n '2,20s/^# \{0,1\}//p' "$0"; exit 0 ;;
    --) shift; break ;;
    *) echo "gnome-panel-check: unknown option '$1'" >&2; exit 2 ;;
    esac
done

die()
{
    echo "gnome-panel-check: $*" >&2
    exit 1
}

readonly user=nobody group=nogroup start_timeout=40 start_tries=3 size=1920x1080

if ((!inner)); then
    [[ $(id -u) -eq 0 ]] || die "needs root (namespaces, a private system bus)"
    for tool in gnome-shell Xwayland dbus-daemon unshare setpriv ip xdotool xwininfo /usr/bin/python3; do
        command -v "$tool" >/dev/null || die "'$tool' is not installed"
    done
    /usr/bin/python3 -c 'import dbus, gi' 2>/dev/null || die "python3-dbus and python3-gi are needed"
    for program in talk-countdown tc-fakeshow tc-readbar; do
        [[ -n $(find "$build" -name "$program" -type f -perm -u+x -print -quit) ]] ||
            die "no $program under $build (build it first)"
    done
    exec unshare --mount --net --pid --mount-proc --fork --kill-child -- \
        "$0" --inner --rounds "$rounds" --build "$build" -- "$@"
fi

# --- inside the namespaces, still root ----------------------------------------------------------

mount --make-rprivate / || die "cannot make the mounts private"
# The build may live under the host's /tmp: keep that reachable at /mnt.
mount --bind /tmp /mnt || die "cannot keep the host's /tmp"
mount -t tmpfs -o mode=1777 tmpfs /tmp || die "cannot mount a private /tmp"
if [[ $build == /tmp/* ]]; then
    mkdir -p "$build" && mount --bind "/mnt/${build#/tmp/}" "$build" || die "cannot reach $build"
fi
mount -t tmpfs -o mode=755 tmpfs /run/dbus || die "cannot mount a private /run/dbus"
mount -t tmpfs -o mode=755 tmpfs /run/systemd || die "cannot hide the host's /run/systemd"
mkdir -m 1777 /tmp/.X11-unix
ip link set lo up

work=/tmp/gnome-session
mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
chown -R "$user:$group" "$work"

started_pids=()
cleanup()
{
    local i
    for ((i = ${#started_pids[@]} - 1; i >= 0; i--)); do
        kill -TERM "${started_pids[i]}" 2>/dev/null
    done
    wait 2>/dev/null
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

as_user=(setpriv --reuid="$user" --regid="$group" --clear-groups -- env HOME="$work/home"
    XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/home/.config"
    XDG_CACHE_HOME="$work/home/.cache" XDG_DATA_HOME="$work/home/.local/share"
    XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME)

# Waits up to `seconds` for a command to succeed while `pid` lives; 1 if it did not.
wait_for()
{
    local seconds=$1 pid=$2
    shift 2
    local deadline=$((EPOCHSECONDS + seconds))
    until "$@" >/dev/null 2>&1; do
        kill -0 "$pid" 2>/dev/null || return 1
        ((EPOCHSECONDS < deadline)) || return 1
        sleep 0.1
    done
}

dbus-daemon --system --nofork --nopidfile >"$work/system-bus.log" 2>&1 &
started_pids+=($!)
wait_for 10 $! test -S /run/dbus/system_bus_socket || die "the private system bus did not start"

"${as_user[@]}" dbus-daemon --session --nofork --nopidfile --print-address=4 \
    4>"$work/bus-address" >"$work/session-bus.log" 2>&1 &
started_pids+=($!)
wait_for 10 $! grep -q '^unix:' "$work/bus-address" || die "the session bus did not start"
export DBUS_SESSION_BUS_ADDRESS
DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus-address")

unset DISPLAY WAYLAND_DISPLAY
export DISPLAY=:0 WAYLAND_DISPLAY=wayland-0
# Mutter admits X clients with a cookie it writes into the runtime folder.
xauthority() { compgen -G "$work/runtime/.mutter-Xwaylandauth.*" | head -n1; }
xwayland_up()
{
    "${as_user[@]}" DISPLAY=:0 XAUTHORITY="$(xauthority)" xprop -root _NET_SUPPORTING_WM_CHECK |
        grep -q 'window id'
}
shell_up() { [[ -S $work/runtime/wayland-0 ]] && xwayland_up; }

shell_pid=
for ((try = 1; try <= start_tries; try++)); do
    t0=$EPOCHREALTIME
    "${as_user[@]}" DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" \
        gnome-shell --headless --wayland --virtual-monitor "$size" --wayland-display wayland-0 \
        >"$work/gnome-shell.$try.log" 2>&1 &
    shell_pid=$!
    if wait_for "$start_timeout" "$shell_pid" shell_up; then
        elapsed=$(((${EPOCHREALTIME/[.,]/} - ${t0/[.,]/}) / 1000))
        echo "gnome-panel-check: GNOME Shell $(gnome-shell --version | awk '{print $3}') up in ${elapsed} ms (start $try)" >&2
        break
    fi
    echo "gnome-panel-check: start $try of GNOME Shell not up after ${start_timeout}s; its last lines:" >&2
    tail -n 5 "$work/gnome-shell.$try.log" | sed 's/^/    /' >&2
    children=$(pgrep -P "$shell_pid")
    [[ -z $children ]] || ps -o pid=,args= -p "${children//$'\n'/,}" | sed 's/^/    child: /' >&2
    kill -KILL "$shell_pid" $children 2>/dev/null
    wait "$shell_pid" 2>/dev/null
    shell_pid=
    rm -f /tmp/.X11-unix/X0 /tmp/.X0-lock "$work/runtime/wayland-0" "$work/runtime/wayland-0.lock"
done
[[ -n $shell_pid ]] || die "GNOME Shell did not come up in $start_tries starts"
started_pids+=("$shell_pid")
export XAUTHORITY
XAUTHORITY=$(xauthority)

if (($# == 0)); then
    set -- /usr/bin/python3 "$root/tools/panel-check.py" --rounds "$rounds" --build "$build"
fi
"${as_user[@]}" DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" DISPLAY="$DISPLAY" \
    XAUTHORITY="$XAUTHORITY" WAYLAND_DISPLAY="$WAYLAND_DISPLAY" TC_SHELL_LOG="$work/gnome-shell.$try.log" "$@" <&0 &
cmd_pid=$!
wait "$cmd_pid"
exit $?
