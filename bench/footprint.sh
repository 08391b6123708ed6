#!/usr/bin/env bash
# Footprint of talk-countdown beside the baseline program, on the X display in DISPLAY (run it
# through tests/desktop/with-desktop.sh --wm openbox --size 1920x1080):
#
#   launch to first paint  median of N launches, by bench/firstpaint: from spawning the process
#                          until its first top-level window is mapped and most of its area on
#                          the screen differs from the screen before the launch; both programs
#                          are launched alternately and measured the same way
#   peak RSS               VmHWM from /proc/<pid>/status, once the window is up and again after
#                          the counting
#   CPU time               utime+stime from /proc/<pid>/stat over S seconds of counting, and
#                          the finer on-CPU time of /proc/<pid>/task/*/schedstat beside it;
#                          talk-countdown is set to a 10-minute talk and started with xdotool,
#                          as a user does; the baseline counts from its launch
#
# usage: footprint.sh --bench-dir DIR --program PATH [--launches N] [--count-seconds S]
set -uo pipefail

bench_dir=
program=
launches=15
count_seconds=60
while (($#)); do
    case $1 in
    --bench-dir) bench_dir=${2:?}; shift 2 ;;
    --program) program=${2:?}; shift 2 ;;
    --launches) launches=${2:?}; shift 2 ;;
    --count-seconds) count_seconds=${2:?}; shift 2 ;;
    *) echo "footprint: unknown option '$1'" >&2; exit 2 ;;
    esac
done
[[ -n $bench_dir && -n $program ]] || { echo "usage: footprint.sh --bench-dir DIR --program PATH [--launches N] [--count-seconds S]" >&2; exit 2; }
[[ -n ${DISPLAY:-} ]] || { echo "footprint: needs an X display (use with-desktop.sh)" >&2; exit 2; }
for tool in xdotool import; do
    command -v "$tool" >/dev/null || { echo "footprint: '$tool' is not installed" >&2; exit 2; }
done

baseline=$bench_dir/baseline
firstpaint=$bench_dir/firstpaint
export QT_QPA_PLATFORM=xcb
clk_tck=$(getconf CLK_TCK)
work=$(mktemp -d "${TMPDIR:-/tmp}/footprint.XXXXXX")
running=()
cleanup()
{
    local pid
    for pid in "${running[@]}"; do
        kill -TERM "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT

median()
{
    sort -g | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)]; else print "nan" }'
}

ratio()
{
    awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2fx", a / b; else print "n/a" }'
}

cpu_ticks()
{
    # Fields after the command name, which sits in parentheses; utime and stime are 14 and 15.
    sed 's/^.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'
}

# Time on a CPU in ns, summed over the live threads: far finer than utime+stime.
sched_ns()
{
    cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%.0f", s }'
}

hwm_kb()
{
    awk '/^VmHWM:/ { print $2 }' "/proc/$1/status"
}

# --- launch to first paint -------------------------------------------------------------------

: >"$work/paint-tc"
: >"$work/paint-base"
for ((i = 1; i <= launches; i++)); do
    # Alternate the order so neither program always follows the other.
    if ((i % 2)); then order=(tc base); else order=(base tc); fi
    for which in "${order[@]}"; do
        if [[ $which == tc ]]; then cmd=("$program"); else cmd=("$baseline"); fi
        if line=$("$firstpaint" --timeout 20000 -- "${cmd[@]}" 2>"$work/firstpaint.err"); then
            ms=$(sed -n 's/.* paint \([0-9.]*\) ms.*/\1/p' <<<"$line")
            echo "$ms" >>"$work/paint-$which"
        else
            echo "footprint: launch $i of $which was not measured:" >&2
            sed 's/^/    /' "$work/firstpaint.err" >&2
        fi
        sleep 0.3
    done
done
paint_tc=$(median <"$work/paint-tc")
paint_base=$(median <"$work/paint-base")
echo "first paint, each launch (ms):"
echo "  talk-countdown: $(tr '\n' ' ' <"$work/paint-tc")"
echo "  baseline:       $(tr '\n' ' ' <"$work/paint-base")"

# --- memory and CPU while counting ----------------------------------------------------------

# Waits for the program's visible window and prints its id.
window_of()
{
    local pid=$1 wid
    for ((t = 0; t < 200; t++)); do
        wid=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n1)
        [[ -n $wid ]] && { echo "$wid"; return 0; }
        sleep 0.1
    done
    return 1
}

geometry_of()
{
    # Sets X Y WIDTH HEIGHT.
    eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
}

snapshot()
{
    geometry_of "$1"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" rgb:- 2>/dev/null | md5sum
}

right_click_background()
{
    geometry_of "$1"
    xdotool mousemove --sync $((X + 5)) $((Y + HEIGHT - 5)) click 3
    sleep 0.5
}

# Sets a 10-minute talk in the settings panel and starts it, with the mouse and keyboard.
start_talk()
{
    local wid=$1
    right_click_background "$wid"
    xdotool key Down Down Down Return # the settings
    sleep 0.7
    xdotool mousemove --window "$wid" 100 191 click 1 # the minutes list
    sleep 0.5
    xdotool key Home
    xdotool type 10
    xdotool key Return
    sleep 0.5
    xdotool mousemove --window "$wid" 164 292 click 1 # OK
    sleep 0.7
    right_click_background "$wid"
    xdotool key Down Return # start
    sleep 0.3
}

# count <name> <command...>: prints "<name> <hwm after start kB> <hwm after kB> <cpu ms>
# <on-cpu ms> <counting seen>".
count()
{
    local name=$1 pid wid hwm_start before after ticks0 ticks1 ns0 ns1 counting=no
    shift
    "$@" >"$work/$name.log" 2>&1 &
    pid=$!
    running+=("$pid")
    if ! wid=$(window_of "$pid"); then
        echo "footprint: $name showed no window" >&2
        return 1
    fi
    sleep 1
    hwm_start=$(hwm_kb "$pid")
    [[ $name == talk-countdown ]] && start_talk "$wid"
    # Counting shows as a change of the window's pixels from one second to the next.
    before=$(snapshot "$wid")
    sleep 1.5
    after=$(snapshot "$wid")
    [[ $before != "$after" ]] && counting=yes
    ticks0=$(cpu_ticks "$pid")
    ns0=$(sched_ns "$pid")
    sleep "$count_seconds"
    ticks1=$(cpu_ticks "$pid")
    ns1=$(sched_ns "$pid")
    echo "$name $hwm_start $(hwm_kb "$pid") $(((ticks1 - ticks0) * 1000 / clk_tck))" \
        "$(awk -v a="$ns0" -v b="$ns1" 'BEGIN { printf "%.1f", (b - a) / 1e6 }') $counting"
    kill -TERM "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    running=()
}

read -r _ tc_hwm0 tc_hwm tc_cpu tc_sched tc_counting < <(count talk-countdown "$program")
read -r _ base_hwm0 base_hwm base_cpu base_sched base_counting < <(count baseline "$baseline")

printf 'counting seen on screen: talk-countdown %s, baseline %s\n' "${tc_counting:-?}" "${base_counting:-?}"
printf '%-34s %14s %10s %8s\n' "" talk-countdown baseline ratio
printf '%-34s %11s ms %7s ms %8s\n' "first paint (median of $launches)" "$paint_tc" "$paint_base" \
    "$(ratio "$paint_tc" "$paint_base")"
printf '%-34s %11s kB %7s kB %8s\n' "peak RSS, window up" "${tc_hwm0:-?}" "${base_hwm0:-?}" \
    "$(ratio "${tc_hwm0:-0}" "${base_hwm0:-0}")"
printf '%-34s %11s kB %7s kB %8s\n' "peak RSS, after counting" "${tc_hwm:-?}" "${base_hwm:-?}" \
    "$(ratio "${tc_hwm:-0}" "${base_hwm:-0}")"
printf '%-34s %11s ms %7s ms %8s\n' "CPU over ${count_seconds} s of counting" "${tc_cpu:-?}" \
    "${base_cpu:-?}" "$(ratio "${tc_cpu:-0}" "${base_cpu:-0}")"
printf '%-34s %11s ms %7s ms %8s\n' "  the same, from schedstat" "${tc_sched:-?}" \
    "${base_sched:-?}" "$(ratio "${tc_sched:-0}" "${base_sched:-0}")"
echo "target: each ratio at most 1.2x (CPU time is counted in 1/${clk_tck} s steps)"
