#!/usr/bin/env bash
# Runs one command inside a private, throw-away X desktop: an Xvfb server, a window manager, a
# private D-Bus session bus and, with --sound, a PulseAudio server whose only sink is a null sink
# that tests can record from. Everything started here is stopped again, by PID, when the script
# exits; the command's exit code is passed through.
set -uo pipefail

usage()
{
    cat <<'EOF'
usage: with-desktop.sh [--wm openbox|xfwm4|metacity|kwin_x11|none] [--size WxH] [--sound] -- command [args...]

  --wm     window manager to run (default openbox)
  --size   screen size (default 1920x1080)
  --sound  start a private PulseAudio server with a null sink; exports PULSE_SINK=nullsink,
           TC_PULSE_MONITOR=nullsink.monitor and PULSE_SERVER

The command gets DISPLAY, DBUS_SESSION_BUS_ADDRESS, XDG_RUNTIME_DIR and a fresh HOME (with
XDG_CONFIG_HOME, XDG_CACHE_HOME and XDG_DATA_HOME) of the private desktop, and
TC_SCREEN_SIZE=WxH.
EOF
}

wm=openbox
size=1920x1080
sound=0
while (($#)); do
    case $1 in
    --wm) wm=${2:?--wm needs a value}; shift 2 ;;
    --size) size=${2:?--size needs a value}; shift 2 ;;
    --sound) sound=1; shift ;;
    -h | --help) usage; exit 0 ;;
    --) shift; break ;;
    *) echo "with-desktop: unknown option '$1'" >&2; usage >&2; exit 2 ;;
    esac
done
if (($# == 0)); then
    usage >&2
    exit 2
fi
if [[ ! $size =~ ^[0-9]+x[0-9]+$ ]]; then
    echo "with-desktop: --size must look like 1920x1080, not '$size'" >&2
    exit 2
fi
case $wm in
openbox | xfwm4 | metacity | kwin_x11 | none) ;;
*) echo "with-desktop: unsupported window manager '$wm'" >&2; exit 2 ;;
esac

readonly startup_timeout=15

die()
{
    echo "with-desktop: $*" >&2
    exit 1
}

need=(Xvfb xprop dbus-daemon)
[[ $wm != none ]] && need+=("$wm")
((sound)) && need+=(pulseaudio pactl pacat parecord)
for tool in "${need[@]}"; do
    command -v "$tool" >/dev/null || die "'$tool' is not installed (./dev deps test installs it)"
done

# The PIDs of everything we start, in start order; stopped in reverse.
started_pids=()
cmd_pid=
work=$(mktemp -d "${TMPDIR:-/tmp}/with-desktop.XXXXXX") || die "cannot create a temporary directory"

stop_pid()
{
    local pid=$1 i
    kill -TERM "$pid" 2>/dev/null || return 0
    # Give it two seconds to go quietly, then insist.
    for ((i = 0; i < 40; i++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return 0
}

cleanup()
{
    local i
    trap - INT TERM
    [[ -n $cmd_pid ]] && stop_pid "$cmd_pid"
    for ((i = ${#started_pids[@]} - 1; i >= 0; i--)); do
        stop_pid "${started_pids[i]}"
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

started()
{
    started_pids+=("$1")
}

show_log()
{
    if [[ -s $1 ]]; then
        sed 's/^/    /' "$1" >&2
    else
        echo "    (empty)" >&2
    fi
}

# wait_until <what> <pid to watch> <log> <command...>: polls the command until it succeeds; fails
# early, showing the log, if the watched process has died, and after $startup_timeout seconds.
wait_until()
{
    local what=$1 pid=$2 log=$3
    shift 3
    local deadline=$((${EPOCHSECONDS} + startup_timeout))
    until "$@" >/dev/null 2>&1; do
        if ! kill -0 "$pid" 2>/dev/null; then
            echo "with-desktop: $what exited before it was ready; its log:" >&2
            show_log "$log"
            exit 1
        fi
        if ((EPOCHSECONDS >= deadline)); then
            echo "with-desktop: $what not ready after ${startup_timeout}s; its log:" >&2
            show_log "$log"
            exit 1
        fi
        sleep 0.05
    done
}

t0=$EPOCHREALTIME

# X server. -displayfd lets Xvfb pick a free display and tells us once it accepts connections.
Xvfb -displayfd 3 -noreset -nolisten tcp -dpi 96 -screen 0 "${size}x24" \
    3>"$work/display" >"$work/xvfb.log" 2>&1 &
started $!
wait_until Xvfb $! "$work/xvfb.log" grep -q '^[0-9]' "$work/display"
export DISPLAY=":$(head -n1 "$work/display")"
export TC_SCREEN_SIZE=$size
unset WAYLAND_DISPLAY

# The helpers (and the services the bus starts for them) see a fresh home, so that no personal
# configuration changes how the desktop behaves; so does the command (below).
mkdir -p "$work/home"
private_home=(HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
    XDG_CACHE_HOME="$work/home/.cache" XDG_DATA_HOME="$work/home/.local/share")

# A private session bus: xfwm4 cannot read its settings (xfconf) without one, and it keeps the
# command away from any bus of the surrounding session.
env "${private_home[@]}" dbus-daemon --session --nofork --nopidfile --print-address=4 \
    4>"$work/dbus-address" >"$work/dbus.log" 2>&1 &
started $!
wait_until dbus-daemon $! "$work/dbus.log" grep -q '^unix:' "$work/dbus-address"
DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/dbus-address")
export DBUS_SESSION_BUS_ADDRESS

if [[ $wm != none ]]; then
    case $wm in
    openbox) wm_cmd=(openbox --sm-disable) ;;
    xfwm4) wm_cmd=(xfwm4 --compositor=off --sm-client-disable) ;;
    metacity) wm_cmd=(metacity --sm-disable --compositor=none) ;;
    # KDE's window manager, compositing through OpenGL (Mesa's software renderer on Xvfb). It
    # is a Qt 5 program and must not take the tests' Qt settings.
    kwin_x11) wm_cmd=(env -u QT_QPA_PLATFORM -u QT_LOGGING_RULES kwin_x11 --replace) ;;
    esac
    env "${private_home[@]}" NO_AT_BRIDGE=1 GTK_A11Y=none "${wm_cmd[@]}" >"$work/wm.log" 2>&1 &
    started $!

    # An EWMH window manager announces itself with a check window that points at itself.
    wm_managing()
    {
        local id
        id=$(xprop -root _NET_SUPPORTING_WM_CHECK | sed -n 's/.*window id # \(0x[0-9a-f]*\).*/\1/p')
        [[ -n $id ]] && xprop -id "$id" _NET_SUPPORTING_WM_CHECK | grep -q "# $id\$"
    }
    wait_until "$wm" $! "$work/wm.log" wm_managing
fi

# A runtime directory of our own: Qt wants one, and it keeps sockets of the surrounding session
# (a real sound server, say) out of reach of the command.
mkdir -p "$work/runtime"
chmod 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"

if ((sound)); then
    # PulseAudio refuses to start as root without an absolute HOME; ours is private to this run.
    # It does not daemonize, so it stays our child and goes down with us even if we are killed.
    export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native"
    env "${private_home[@]}" pulseaudio -n --daemonize=no --exit-idle-time=-1 \
        --realtime=no --high-priority=no --log-target=stderr \
        --load="module-null-sink sink_name=nullsink" \
        --load="module-native-protocol-unix auth-anonymous=1" >"$work/pulse.log" 2>&1 &
    pulse_pid=$!
    started "$pulse_pid"
    wait_until pulseaudio "$pulse_pid" "$work/pulse.log" pactl info
    pactl set-default-sink nullsink >/dev/null

    # A silent stream keeps the sink running, so a sound played by the test starts at once
    # instead of waiting for an idle sink to wake up.
    pacat --latency-msec=20 --raw /dev/zero >"$work/keeper.log" 2>&1 &
    started $!
    keeper_playing() { pactl list short sink-inputs | grep -q .; }
    wait_until "the silent stream" $! "$work/keeper.log" keeper_playing

    # The null sink first renders a two-second block, and its monitor stays quiet until that is
    # used up. Suspending and resuming it restarts the timing with the keeper's short latency;
    # then check that the monitor really delivers sound.
    pactl suspend-sink nullsink 1 && pactl suspend-sink nullsink 0
    monitor_live()
    {
        [[ $(timeout 0.3 parecord --raw --latency-msec=10 --device=nullsink.monitor | wc -c) -gt 0 ]]
    }
    wait_until "the null sink's monitor" "$pulse_pid" "$work/pulse.log" monitor_live
    export PULSE_SINK=nullsink
    export TC_PULSE_MONITOR=nullsink.monitor
fi

elapsed_ms=$(((${EPOCHREALTIME/[.,]/} - ${t0/[.,]/}) / 1000))
echo "with-desktop: DISPLAY=$DISPLAY ${size} wm=$wm$( ((sound)) && echo ' sound=nullsink') ready in ${elapsed_ms} ms" >&2

# The command, and the program it starts, get the fresh home too: an options file or other
# personal configuration of whoever runs the tests must not change what a test sees.
env "${private_home[@]}" "$@" <&0 &
cmd_pid=$!
wait "$cmd_pid"
rc=$?
cmd_pid=
exit "$rc"
