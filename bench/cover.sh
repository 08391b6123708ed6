#!/usr/bin/env bash
# Cover time of full-screen windows over the bar, on the X display in DISPLAY (run it through
# tests/desktop/with-desktop.sh --wm <window manager>): starts talk-countdown, finds its bar and
# runs bench/covertime in both modes, map (a new full-screen window each round) and switch (two
# full-screen windows activated in turn), then ends the program.
#
# usage: cover.sh --bench-dir DIR --program PATH [--rounds N]
set -uo pipefail

bench_dir=
program=
rounds=20
while (($#)); do
    case $1 in
    --bench-dir) bench_dir=${2:?}; shift 2 ;;
    --program) program=${2:?}; shift 2 ;;
    --rounds) rounds=${2:?}; shift 2 ;;
    *) echo "cover: unknown option '$1'" >&2; exit 2 ;;
    esac
done
[[ -n $bench_dir && -n $program ]] || { echo "usage: cover.sh --bench-dir DIR --program PATH [--rounds N]" >&2; exit 2; }
[[ -n ${DISPLAY:-} ]] || { echo "cover: needs an X display (use with-desktop.sh)" >&2; exit 2; }
command -v xdotool >/dev/null || { echo "cover: 'xdotool' is not installed" >&2; exit 2; }

QT_QPA_PLATFORM=xcb "$program" >/dev/null 2>&1 &
pid=$!
trap 'kill -TERM "$pid" 2>/dev/null; wait "$pid" 2>/dev/null' EXIT

bar=
for ((t = 0; t < 100; t++)); do
    bar=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n1)
    [[ -n $bar ]] && break
    sleep 0.1
done
[[ -n $bar ]] || { echo "cover: talk-countdown showed no window" >&2; exit 1; }
sleep 1

status=0
for mode in map switch; do
    "$bench_dir/covertime" --window "$bar" --mode "$mode" --rounds "$rounds" || status=1
done
exit "$status"
