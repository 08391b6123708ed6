#!/usr/bin/env bash
# Runs one command inside a private, throw-away Wayland desktop: a headless sway with XWayland
# and a private D-Bus session bus, as with-desktop.sh does for X. sway refuses to run as root
# and its XWayland admits only sway's user, so sway, the bus and the command run as an
# unprivileged user (nobody). XWayland takes the first free display of :0-:32, so the session
# gets a mount and network namespace of its own, with a fresh /tmp: parallel sessions never
# meet. It also gets a PID namespace whose first process is this script: when the script ends,
# however it ends, the kernel ends everything the session started. The command's exit code is
# passed through.
set -uo pipefail

usage()
{
    cat <<'EOF'
usage: with-sway.sh [--size WxH] [--kwin] -- command [args...]

--kwin runs KWin's Wayland session (kwin_wayland --virtual) instead of sway; the command
then gets no SWAYSOCK, and KWin takes keys and clicks through its fake-input protocol and
answers screenshot requests over the session bus.

Needs root (to make the namespaces and drop to the unprivileged user); exits with 77
(skipped) otherwise. The command runs as nobody and gets WAYLAND_DISPLAY, DISPLAY (XWayland),
SWAYSOCK, XDG_RUNTIME_DIR, DBUS_SESSION_BUS_ADDRESS, HOME and TC_SCREEN_SIZE=WxH.
EOF
}

size=1920x1080
inner=0
compositor=sway
while (($#)); do
    case $1 in
    --size) size=${2:?--size needs a value}; shift 2 ;;
    --kwin) compositor=kwin; shift ;;
    --sway) compositor=sway; shift ;;
    --inner) inner=1; shift ;;
    -h | --help) usage; exit 0 ;;
    --) shift; break ;;
    *) echo "with-sway: unknown option '$1'" >&2; usage >&2; exit 2 ;;
    esac
done
if (($# == 0)); then
    usage >&2
    exit 2
fi
if [[ ! $size =~ ^[0-9]+x[0-9]+$ ]]; then
    echo "with-sway: --size must look like 1920x1080, not '$size'" >&2
    exit 2
fi

die()
{
    echo "with-sway: $*" >&2
    exit 1
}

readonly user=nobody group=nogroup startup_timeout=20

if ((!inner)); then
    if [[ $(id -u) -ne 0 ]]; then
        echo "with-sway: needs root for its namespaces and to run sway as '$user'; skipped" >&2
        exit 77
    fi
    if [[ $compositor == kwin ]]; then
        if ! command -v kwin_wayland >/dev/null; then
            echo "with-sway: kwin_wayland is not installed; skipped" >&2
            exit 77
        fi
        tools=(Xwayland dbus-daemon unshare setpriv ip)
    else
        tools=(sway Xwayland swaymsg dbus-daemon unshare setpriv ip)
    fi
    if [[ -n ${TC_SEAT+set} && ! -x ${TC_SEAT} ]]; then
        echo "with-sway: tc-seat was not built (see ./dev deps test); skipped" >&2
        exit 77
    fi
    for tool in "${tools[@]}"; do
        command -v "$tool" >/dev/null || die "'$tool' is not installed (./dev deps test installs it)"
    done
    # unshare ignores SIGTERM and SIGINT while it waits; killed outright, it takes the script
    # inside with it (--kill-child), and the kernel then ends the whole PID namespace.
    unshare --mount --net --pid --mount-proc --fork --kill-child -- \
        "$0" --inner --size "$size" $([[ $compositor == kwin ]] && echo --kwin) -- "$@" <&0 &
    unshare_pid=$!
    trap 'kill -KILL "$unshare_pid" 2>/dev/null; exit 143' TERM
    trap 'kill -KILL "$unshare_pid" 2>/dev/null; exit 130' INT
    wait "$unshare_pid"
    exit $?
fi

# --- inside the namespaces, still root -------------------------------------------------------

mount --make-rprivate / || die "cannot make the mounts private"
# The programs under test may live under the host's /tmp (a build in a clone there): keep the
# host's /tmp reachable, and bind their folders back into the private one.
# /mnt is an empty mount point on Debian; the bind there is private to this namespace.
host_tmp=/mnt
mount --bind /tmp "$host_tmp" || die "cannot keep the host's /tmp"
mount -t tmpfs -o mode=1777 tmpfs /tmp || die "cannot mount a private /tmp"
for path in "$1" "${TC_PROGRAM:-}" "${TC_FAKESHOW:-}" "${TC_SEAT:-}"; do
    [[ -n $path ]] || continue
    dir=$(dirname "$(readlink -f "$path" 2>/dev/null || echo "$path")")
    [[ $dir == /tmp/* && ! -d $dir ]] || continue
    mkdir -p "$dir" && mount --bind "$host_tmp/${dir#/tmp/}" "$dir" ||
        die "cannot reach $dir inside the private /tmp"
done
mkdir -m 1777 /tmp/.X11-unix
ip link set lo up

work=/tmp/sway-session
mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
chown -R "$user:$group" "$work"
cat >"$work/config" <<EOF
output HEADLESS-1 mode $size position 0 0 scale 1
xwayland force
focus_follows_mouse no
default_border none
EOF

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

# A prefix that runs a command as the unprivileged user; setpriv and env exec it, so a process
# started with it in the background has the PID that $! gives.
as_user=(setpriv --reuid="$user" --regid="$group" --clear-groups -- env HOME="$work/home"
    XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/home/.config"
    XDG_CACHE_HOME="$work/home/.cache" XDG_DATA_HOME="$work/home/.local/share")

show_log()
{
    if [[ -s $1 ]]; then sed 's/^/    /' "$1" >&2; else echo "    (empty)" >&2; fi
}

wait_until()
{
    local what=$1 pid=$2 log=$3
    shift 3
    local deadline=$((EPOCHSECONDS + startup_timeout))
    until "$@" >/dev/null 2>&1; do
        if ! kill -0 "$pid" 2>/dev/null; then
            echo "with-sway: $what exited before it was ready; its log:" >&2
            show_log "$log"
            exit 1
        fi
        if ((EPOCHSECONDS >= deadline)); then
            echo "with-sway: $what not ready after ${startup_timeout}s; its log:" >&2
            show_log "$log"
            exit 1
        fi
        sleep 0.05
    done
}

t0=$EPOCHREALTIME

"${as_user[@]}" dbus-daemon --session --nofork --nopidfile --print-address=4 4>"$work/dbus-address" \
    >"$work/dbus.log" 2>&1 &
started_pids+=($!)
wait_until dbus-daemon $! "$work/dbus.log" grep -q '^unix:' "$work/dbus-address"
export DBUS_SESSION_BUS_ADDRESS
DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/dbus-address")

unset DISPLAY WAYLAND_DISPLAY SWAYSOCK
export XDG_RUNTIME_DIR="$work/runtime" HOME="$work/home"
wayland_socket() { compgen -G "$work/runtime/wayland-[0-9]" | head -n1; }
# A fresh /tmp/.X11-unix: XWayland takes :0.
export DISPLAY=:0
xwayland_up() { "${as_user[@]}" DISPLAY=:0 xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
SWAYSOCK=
if [[ $compositor == kwin ]]; then
    # The packaged kwin_wayland carries a file capability, which a container may refuse to
    # execute; a plain copy runs. Fake input and screenshots without a permission prompt.
    cp "$(command -v kwin_wayland)" "$work/kwin_wayland"
    "${as_user[@]}" KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 \
        DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" QT_QPA_PLATFORM= \
        "$work/kwin_wayland" --virtual --xwayland --width "${size%x*}" --height "${size#*x}" \
        --socket wayland-0 >"$work/kwin.log" 2>&1 &
    compositor_pid=$!
    started_pids+=("$compositor_pid")
    wait_until "KWin's Wayland socket" "$compositor_pid" "$work/kwin.log" wayland_socket
    wait_until XWayland "$compositor_pid" "$work/kwin.log" xwayland_up
else
    "${as_user[@]}" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
        sway --config "$work/config" >"$work/sway.log" 2>&1 &
    compositor_pid=$!
    started_pids+=("$compositor_pid")
    sway_socket() { compgen -G "$work/runtime/sway-ipc.*.sock" | head -n1; }
    wait_until sway "$compositor_pid" "$work/sway.log" sway_socket
    SWAYSOCK=$(sway_socket)
    wait_until "sway's Wayland socket" "$compositor_pid" "$work/sway.log" wayland_socket
    wait_until XWayland "$compositor_pid" "$work/sway.log" xwayland_up
fi
export SWAYSOCK WAYLAND_DISPLAY
WAYLAND_DISPLAY=$(basename "$(wayland_socket)")
export TC_SCREEN_SIZE=$size

elapsed_ms=$(((${EPOCHREALTIME/[.,]/} - ${t0/[.,]/}) / 1000))
echo "with-sway: $compositor WAYLAND_DISPLAY=$WAYLAND_DISPLAY DISPLAY=$DISPLAY $size ready in ${elapsed_ms} ms" >&2

"${as_user[@]}" WAYLAND_DISPLAY="$WAYLAND_DISPLAY" DISPLAY="$DISPLAY" SWAYSOCK="$SWAYSOCK" \
    DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" "$@" <&0 &
cmd_pid=$!
wait "$cmd_pid"
exit $?
