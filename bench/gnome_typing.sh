#!/usr/bin/env bash
# Typing into a Wayland window on GNOME: `orvanel-script --type`, started
# once for every 250 characters, on a private headless GNOME Shell with
# Orvanel's extension (tests/gnome/run_with_gnome.sh). It types the same
# text as bench/wayland_typing.sh into wltarget; the time runs from the start
# of the typing program until the window has written the last character, or
# until the window has written nothing new for 2 s (then characters were
# lost). wtype, the baseline on sway, cannot type on GNOME (no virtual
# keyboard protocol), so only Orvanel's rate is shown.
#
#   bench/gnome_typing.sh [BUILD_DIR] [--chars N] [--runs N]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/bench}
shift || true
chars=2000 runs=3
while [ $# -gt 0 ]; do
    case "$1" in
    --chars) chars=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
    esac
done
if [ "${ORVANEL_IN_GNOME:-}" != 1 ]; then
    cmake --build "$build" --target orvanel-script wltarget test_gnome_shell >/dev/null || exit 1
    ORVANEL_IN_GNOME=1 exec "$here/../tests/gnome/run_with_gnome.sh" \
        --extension "$build/tests/gnome/extension" --timeout 600 \
        env ORVANEL_IN_GNOME=1 bash "$0" "$build" --chars "$chars" --runs "$runs"
fi

alphabet='abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,!?:/=@#$&*_<>-'
text=
while [ ${#text} -lt "$chars" ]; do text+=$alphabet; done
text=${text:0:$chars}
work=$(mktemp -d)
# A keyboard stays on the seat throughout, as the user's own does on a real
# desktop; without one every typist's keyboard would be the seat's first, and
# a window hears of a new keyboard only after the first keys.
"$build/src/tools/orvanel-script" --type --countdown 0 "{SLEEP 3600}" >/dev/null 2>&1 &
users=$!
trap 'kill $target $users 2>/dev/null; rm -rf "$work"' EXIT
"$build/tests/wayland/wltarget" --title "Orvanel bench" --out "$work/out" &
target=$!
for _ in $(seq 100); do [ -f "$work/out.ready" ] && break; sleep 0.05; done
# The shell starts in its overview, which holds the keyboard.
gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
    --method org.freedesktop.DBus.Properties.Set org.gnome.Shell OverviewActive '<false>' >/dev/null
sleep 1

# Types the whole text in pieces of 250 characters (a key script holds at
# most 255); prints "milliseconds lost".
run() {
    : >"$work/out"
    local start last size=0 now i
    start=$(date +%s%N)
    for ((i = 0; i < chars; i += 250)); do
        "$@" "${text:i:250}" >/dev/null 2>&1 || echo "$1 failed on: ${text:i:20}" >&2
    done
    last=$(date +%s%N)
    while :; do
        now=$(stat -c %s "$work/out")
        if [ "$now" -ne "$size" ]; then size=$now last=$(date +%s%N); fi
        [ "$(cat "$work/out")" = "$text" ] && break
        [ $(( ($(date +%s%N) - last) / 1000000 )) -gt 2000 ] && break
        sleep 0.005
    done
    local got lost
    got=$(cat "$work/out")
    lost=$(( chars - ${#got} ))
    [ "$got" = "$text" ] || [ "$lost" -gt 0 ] || lost=$(cmp -l <(printf %s "$got") <(printf %s "$text") 2>/dev/null | wc -l)
    echo "$(( (last - start) / 1000000 )) $lost"
}

printf '%-10s %8s %8s %6s\n' typist ms chars/s lost
total=0 total_lost=0
for r in $(seq "$runs"); do
    read -r ms lost < <(run "$build/src/tools/orvanel-script" --type --countdown 0 --delay 0)
    printf '%-10s %8d %8d %6d\n' orvanel "$ms" $(( chars * 1000 / (ms > 0 ? ms : 1) )) "$lost"
    total=$((total + ms)) total_lost=$((total_lost + lost))
done
echo "orvanel on GNOME: $(( chars * runs * 1000 / (total > 0 ? total : 1) )) characters per second, lost: $total_lost"
[ "$total_lost" -eq 0 ]
