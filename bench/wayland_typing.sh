#!/usr/bin/env bash
# Typing into a Wayland window: `orvanel-script --type` against `wtype`, in
# the same run, each started once for every 250 characters, on a private headless sway (tests/wayland/run_with_sway.sh).
# Each types the same text into wltarget; the time runs from the start of the
# typing program until the window has written the last character, or until
# the window has written nothing new for 2 s (then characters were lost).
#
#   bench/wayland_typing.sh [BUILD_DIR] [--chars N] [--runs N]
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
if [ "${ORVANEL_IN_SWAY:-}" != 1 ]; then
    [ -x "$build/src/tools/orvanel-script" ] && [ -x "$build/tests/wayland/wltarget" ] ||
        cmake --build "$build" --target orvanel-script wltarget
    ORVANEL_IN_SWAY=1 exec "$here/../tests/wayland/run_with_sway.sh" --timeout 600 \
        bash "$0" "$build" --chars "$chars" --runs "$runs"
fi
command -v wtype >/dev/null || { echo "wtype is not installed" >&2; exit 77; }

# Printable characters that the key scripts type as themselves.
alphabet='abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,!?:/=@#$&*_<>-'
text=
while [ ${#text} -lt "$chars" ]; do text+=$alphabet; done
text=${text:0:$chars}
work=$(mktemp -d)
# A keyboard stays on the seat throughout, as the user's own does on a real
# desktop; without one the seat drops its keyboard, and the window's focus,
# whenever a typist's virtual keyboard goes.
wtype -s 3600000 "" &
users=$!
trap 'kill $target $users 2>/dev/null; rm -rf "$work"' EXIT
"$build/tests/wayland/wltarget" --title "Orvanel bench" --out "$work/out" &
target=$!
for _ in $(seq 100); do [ -f "$work/out.ready" ] && break; sleep 0.05; done

# Runs one typist on the whole text, in pieces of 250 characters (a key
# script holds at most 255); prints "milliseconds lost".
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
    local got lost i
    got=$(cat "$work/out")
    lost=$(( chars - ${#got} ))
    [ "$got" = "$text" ] || [ "$lost" -gt 0 ] || lost=$(cmp -l <(printf %s "$got") <(printf %s "$text") 2>/dev/null | wc -l)
    echo "$(( (last - start) / 1000000 )) $lost"
}

printf '%-10s %8s %8s %6s\n' typist ms chars/s lost
declare -A total
for r in $(seq "$runs"); do
    for typist in orvanel wtype; do
        if [ $typist = orvanel ]; then
            read -r ms lost < <(run "$build/src/tools/orvanel-script" --type --countdown 0 --delay 0)
        else
            read -r ms lost < <(run wtype --)
        fi
        printf '%-10s %8d %8d %6d\n' "$typist" "$ms" $(( chars * 1000 / (ms > 0 ? ms : 1) )) "$lost"
        total[$typist]=$(( ${total[$typist]:-0} + ms ))
        total[$typist.lost]=$(( ${total[$typist.lost]:-0} + lost ))
    done
done
echo "orvanel/wtype time ratio: $(awk "BEGIN { printf \"%.2f\", ${total[orvanel]} / ${total[wtype]} }")" \
    "lost: orvanel ${total[orvanel.lost]}, wtype ${total[wtype.lost]}"
[ "${total[orvanel.lost]}" -eq 0 ]
