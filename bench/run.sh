#!/usr/bin/env bash
# Builds the benches and runs them all, then prints a summary. Figures only: nothing here fails
# because a figure is poor. See bench/README.md for what each one measures.
#
# usage: bench/run.sh [--quick] [--build-dir DIR] [--jobs N] [--only NAMES]
#                     [--seconds N] [--launches N] [--count-seconds N] [--ticks N] [--plays N]
#                     [--rounds N]
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

usage()
{
    cat <<'EOF'
usage: bench/run.sh [options]

  --quick            short runs, to see that every bench works (figures are rough)
  --build-dir DIR    build tree to use (default: build, configured if new)
  --jobs N           parallel build jobs (default: all cores)
  --only NAMES       comma-separated subset of: ticks,cost,footprint,cover,alert,show,later
  --seconds N        tick accuracy: length of each run, idle and busy (default 600; quick 70)
  --launches N       footprint: launches per program for first paint (default 15; quick 5)
  --count-seconds N  footprint: seconds of counting for CPU and memory (default 60; quick 10)
  --ticks N          tick cost: bar ticks and notice ticks under callgrind (default 300; quick 30)
  --plays N          alert latency: alerts to time (default 30; quick 6)
  --rounds N         cover time and show start: full-screen windows per mode and window
                     manager; later start: requests each way (default 20; quick 5)
EOF
}

build_dir=build
jobs=$(nproc 2>/dev/null || echo 2)
only=ticks,cost,footprint,cover,alert,show,later
quick=0
seconds='' launches='' count_seconds='' ticks='' plays='' rounds=''
while (($#)); do
    case $1 in
    --quick) quick=1; shift ;;
    --build-dir) build_dir=${2:?}; shift 2 ;;
    --jobs) jobs=${2:?}; shift 2 ;;
    --only) only=${2:?}; shift 2 ;;
    --seconds) seconds=${2:?}; shift 2 ;;
    --launches) launches=${2:?}; shift 2 ;;
    --count-seconds) count_seconds=${2:?}; shift 2 ;;
    --ticks) ticks=${2:?}; shift 2 ;;
    --plays) plays=${2:?}; shift 2 ;;
    --rounds) rounds=${2:?}; shift 2 ;;
    -h | --help) usage; exit 0 ;;
    *) echo "run.sh: unknown option '$1'" >&2; usage >&2; exit 2 ;;
    esac
done
if ((quick)); then
    : "${seconds:=70}" "${launches:=5}" "${count_seconds:=10}" "${ticks:=30}" "${plays:=6}"
    : "${rounds:=5}"
else
    : "${seconds:=600}" "${launches:=15}" "${count_seconds:=60}" "${ticks:=300}" "${plays:=30}"
    : "${rounds:=20}"
fi
wants() { [[ ,$only, == *,$1,* ]]; }

[[ $build_dir = /* ]] || build_dir=$root/$build_dir
bench=$build_dir/bench
with_desktop=$root/tests/desktop/with-desktop.sh

# --- build ----------------------------------------------------------------------------------

if [[ ! -f $build_dir/CMakeCache.txt ]]; then
    generator=()
    command -v ninja >/dev/null && generator=(-G Ninja)
    cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${generator[@]}" || exit 1
fi
cmake --build "$build_dir" -j "$jobs" --target benches || exit 1

stamp=$(date +%Y%m%d-%H%M%S)
results=$bench/results/$stamp
mkdir -p "$results"
summary=$results/summary.txt
: >"$summary"

section()
{
    printf '\n=== %s\n' "$*"
}

# run <log> <command...>: shows the output and keeps it.
run()
{
    local log=$1
    shift
    "$@" 2>&1 | tee "$results/$log"
    return "${PIPESTATUS[0]}"
}

mode="full"
((quick)) && mode="quick (short runs; rough figures)"
{
    echo "talk-countdown benches, $mode, $(date '+%Y-%m-%d %H:%M')"
    echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
} | tee -a "$summary"

# --- tick accuracy --------------------------------------------------------------------------

if wants ticks; then
    for load in idle busy; do
        section "tick accuracy, $load, $seconds s"
        args=(--seconds "$seconds")
        [[ $load == busy ]] && args+=(--busy)
        if run "ticks-$load.txt" "$bench/tick_accuracy" "${args[@]}"; then
            {
                echo "tick accuracy ($load, $seconds s), lateness against start + k s:"
                grep -E '^(bar Timer1|notice Timer1|plain QTimer| +showings)' \
                    "$results/ticks-$load.txt" | sed 's/^/  /'
            } >>"$summary"
        else
            echo "tick accuracy ($load): did not run" >>"$summary"
        fi
    done
fi

# --- tick cost ------------------------------------------------------------------------------

if wants cost; then
    section "tick cost under callgrind, $ticks ticks each"
    if command -v valgrind >/dev/null && command -v callgrind_annotate >/dev/null; then
        out=$results/tick_cost.callgrind
        run tick_cost.txt valgrind --tool=callgrind --callgrind-out-file="$out" \
            --collect-atstart=no --toggle-collect='tc_bench_*' "$bench/tick_cost" --ticks "$ticks"
        callgrind_annotate --inclusive=yes --threshold=100 "$out" >"$results/tick_cost.annotate" 2>&1
        # Inclusive instructions of each measured step, per tick.
        per_tick()
        {
            awk -v fn="$1" -v n="$ticks" '
                $0 ~ (":" fn " ") { gsub(",", "", $1); printf "%.0f", $1 / n; found = 1; exit }
                END { if (!found) printf "?" }' "$results/tick_cost.annotate"
        }
        bar_tick=$(per_tick tc_bench_bar_tick)
        bar_paint=$(per_tick tc_bench_bar_paint)
        notice_tick=$(per_tick tc_bench_notice_tick)
        notice_paint=$(per_tick tc_bench_notice_paint)
        total() { [[ $1 == "?" || $2 == "?" ]] && echo "?" || echo $(($1 + $2)); }
        {
            echo "tick cost (callgrind, offscreen, $ticks ticks each), instructions per tick:"
            printf '  %-8s %10s Ir tick  + %10s Ir repaint  = %10s Ir\n' \
                bar "$bar_tick" "$bar_paint" "$(total "$bar_tick" "$bar_paint")" \
                notice "$notice_tick" "$notice_paint" "$(total "$notice_tick" "$notice_paint")"
        } | tee -a "$summary"
    else
        echo "valgrind is not installed; skipped" | tee -a "$summary"
    fi
fi

# --- footprint ------------------------------------------------------------------------------

if wants footprint; then
    section "footprint on Xvfb (openbox, 1920x1080): $launches launches, $count_seconds s counting"
    if [[ ! -x $bench/firstpaint ]]; then
        echo "footprint: firstpaint was not built (no Xlib); skipped" | tee -a "$summary"
    elif run footprint.txt "$with_desktop" --wm openbox --size 1920x1080 -- \
        "$root/bench/footprint.sh" --bench-dir "$bench" --program "$build_dir/bin/talk-countdown" \
        --launches "$launches" --count-seconds "$count_seconds"; then
        {
            echo "footprint (talk-countdown beside the baseline):"
            sed -n '/^counting seen/,$p' "$results/footprint.txt" | sed 's/^/  /'
        } >>"$summary"
    else
        echo "footprint: did not run" >>"$summary"
    fi
fi

# --- cover time -----------------------------------------------------------------------------

if wants cover; then
    section "cover time of full-screen windows over the bar, $rounds rounds per mode"
    if [[ ! -x $bench/covertime ]]; then
        echo "cover time: covertime was not built (no libxcb); skipped" | tee -a "$summary"
    else
        echo "cover time (map: a new full-screen window; switch: the window manager raises one):" >>"$summary"
        for wm in openbox xfwm4 metacity kwin_x11; do
            if ! command -v "$wm" >/dev/null; then
                echo "  $wm: not installed; skipped" | tee -a "$summary"
                continue
            fi
            if run "cover-$wm.txt" "$with_desktop" --wm "$wm" --size 1920x1080 -- \
                "$root/bench/cover.sh" --bench-dir "$bench" \
                --program "$build_dir/bin/talk-countdown" --rounds "$rounds"; then
                grep -E '^cover (map|switch):' "$results/cover-$wm.txt" | sed "s/^cover/  $wm:/" \
                    >>"$summary"
            else
                echo "  $wm: did not run" >>"$summary"
            fi
        done
    fi
fi

# --- show start -----------------------------------------------------------------------------

if wants show; then
    section "show start with --follow-show, $rounds rounds per window manager"
    if [[ ! -x $bench/showstart ]]; then
        echo "show start: showstart was not built (no libxcb); skipped" | tee -a "$summary"
    else
        echo "show start (from the show's MapNotify to the bar counting):" >>"$summary"
        for wm in openbox kwin_x11; do
            if ! command -v "$wm" >/dev/null; then
                echo "  $wm: not installed; skipped" | tee -a "$summary"
            elif run "showstart-$wm.txt" "$with_desktop" --wm "$wm" --size 1920x1080 -- \
                "$bench/showstart" --rounds "$rounds"; then
                grep -E '^show start:' "$results/showstart-$wm.txt" | sed "s/^show start/  $wm/" \
                    >>"$summary"
            else
                echo "  $wm: did not run" >>"$summary"
            fi
        done
    fi
fi

# --- later start ----------------------------------------------------------------------------

if wants later; then
    section "later start --toggle beside dbus-send, $rounds rounds"
    if run laterstart.txt "$with_desktop" --wm openbox --size 1920x1080 -- \
        "$root/bench/laterstart.sh" --program "$build_dir/bin/talk-countdown" --rounds "$rounds"; then
        grep -E '^later start:' "$results/laterstart.txt" | sed 's/^/  /' >>"$summary"
    else
        echo "later start: did not run" >>"$summary"
    fi
fi

# --- alert latency --------------------------------------------------------------------------

if wants alert; then
    section "alert latency on a PulseAudio null sink, $plays alerts"
    if run alert_latency.txt "$with_desktop" --sound -- \
        "$bench/alert_latency" --plays "$plays" --wav "$results/alert_latency.wav"; then
        {
            echo "alert latency (null sink):"
            grep -E '^(alert latency|recording):' "$results/alert_latency.txt" | sed 's/^/  /'
        } >>"$summary"
    else
        echo "alert latency: did not run" >>"$summary"
    fi
fi

section "summary (kept in $results)"
cat "$summary"
