#!/usr/bin/env bash
# Later start: how long `talk-countdown --toggle` takes to reach the running bar and end, beside
# dbus-send making the same request, in the same run. A desktop shortcut or a clicker key bound
# to --toggle should feel instant. Run it inside tests/desktop/with-desktop.sh (a display, a
# session bus and a runtime folder of its own).
#
# usage: laterstart.sh --program PATH [--rounds N]
set -uo pipefail

program='' rounds=20
while (($#)); do
    case $1 in
    --program) program=${2:?}; shift 2 ;;
    --rounds) rounds=${2:?}; shift 2 ;;
    *) echo "laterstart.sh: unknown option '$1'" >&2; exit 2 ;;
    esac
done
[[ -x $program ]] || { echo "laterstart.sh: no program '$program'" >&2; exit 2; }
command -v dbus-send >/dev/null || { echo "laterstart.sh: dbus-send is not installed" >&2; exit 2; }

service=io.github.talk_countdown.TalkCountdown
path=/io/github/talk_countdown/TalkCountdown
"$program" >/dev/null 2>&1 &
bar=$!
trap 'kill $bar 2>/dev/null; wait $bar 2>/dev/null' EXIT
for _ in $(seq 100); do
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:$service 2>/dev/null | grep -q 'boolean true' \
        && break
    sleep 0.1
done

# ms <command...>: runs it quietly and prints its wall-clock time in milliseconds.
ms()
{
    local t0 t1
    t0=$(date +%s%N)
    "$@" >/dev/null 2>&1 || echo "laterstart.sh: failed: $*" >&2
    t1=$(date +%s%N)
    echo $(((t1 - t0) / 1000000))
}
# The same request as `talk-countdown --toggle` from the current folder.
by_dbus_send()
{
    dbus-send --session --print-reply --dest=$service $path $service.Command string:arguments \
        array:string:"$PWD",--toggle
}

program_ms=() dbus_ms=()
for _ in $(seq "$rounds"); do
    program_ms+=("$(ms "$program" --toggle)")
    dbus_ms+=("$(ms by_dbus_send)")
done

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
largest() { printf '%s\n' "$@" | sort -n | tail -1; }
p=$(median "${program_ms[@]}") d=$(median "${dbus_ms[@]}")
echo "talk-countdown --toggle: ${program_ms[*]}"
echo "dbus-send:               ${dbus_ms[*]}"
echo "later start: talk-countdown --toggle median $p ms (largest $(largest "${program_ms[@]}")), dbus-send median $d ms (largest $(largest "${dbus_ms[@]}")), ratio $(awk -v p="$p" -v d="$d" 'BEGIN { printf "%.1f", d ? p / d : 0 }') over $rounds rounds"
