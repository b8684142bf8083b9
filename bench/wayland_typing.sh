#!/usr/bin/env bash
# Typing into a Wayland window (wltarget), on a private headless sway
# (tests/wayland/run_with_sway.sh) and a private headless KWin
# (tests/kde/run_with_kwin.sh):
#
# - the backend as the program uses it: one backend types the whole text
#   (bench_wayland_typing), on sway and on KWin;
# - on sway, `orvanel-script --type` against `wtype`, each started once for
#   every 250 characters (a key script holds at most 255), start-up included.
#
# Each types the same text; the time runs from the first key (the start of the
# typing program) until the window has written the last character, or until
# it has written nothing new for 1 to 2 s (then characters were lost).
#
#   bench/wayland_typing.sh [BUILD_DIR] [--chars N] [--runs N] [--only sway|kwin]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/bench}
shift || true
chars=2000 runs=3 only= inside=
while [ $# -gt 0 ]; do
    case "$1" in
    --chars) chars=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --only) only=$2; shift 2 ;;
    --inside) inside=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
    esac
done
build=$(realpath "$build")
bench=$build/bench/bench_wayland_typing
script=$build/src/tools/orvanel-script
target=$build/tests/wayland/wltarget

if [ -z "$inside" ]; then
    [ -x "$bench" ] && [ -x "$script" ] && [ -x "$target" ] ||
        cmake --build "$build" --target bench_wayland_typing orvanel-script wltarget
    status=0
    if [ "$only" != kwin ]; then
        echo "== sway"
        "$here/../tests/wayland/run_with_sway.sh" --timeout 600 \
            bash "$0" "$build" --chars "$chars" --runs "$runs" --inside sway || status=1
    fi
    if [ "$only" != sway ]; then
        echo "== KWin"
        "$here/../tests/kde/run_with_kwin.sh" --grant "$bench" --timeout 600 \
            bash "$0" "$build" --chars "$chars" --runs "$runs" --inside kwin || status=1
    fi
    exit $status
fi

if [ "$inside" = kwin ]; then
    exec "$bench" --wltarget "$target" --chars "$chars" --runs "$runs"
fi

command -v wtype >/dev/null || { echo "wtype is not installed" >&2; exit 77; }
# A keyboard stays on the seat throughout, as the user's own does on a real
# desktop; without one the seat drops its keyboard, and the window's focus,
# whenever a typist's virtual keyboard goes.
wtype -s 3600000 "" &
users=$!
work=$(mktemp -d)
trap 'kill $wltarget $users 2>/dev/null; rm -rf "$work"' EXIT
"$bench" --wltarget "$target" --chars "$chars" --runs "$runs"
status=$?

# Printable characters that the key scripts type as themselves.
alphabet='abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,!?:/=@#$&*_<>-'
text=
while [ ${#text} -lt "$chars" ]; do text+=$alphabet; done
text=${text:0:$chars}
"$target" --title "Orvanel bench" --out "$work/out" &
wltarget=$!
for _ in $(seq 100); do [ -f "$work/out.ready" ] && break; sleep 0.05; done

# Runs one typist on the whole text, in pieces of 250 characters; prints
# "milliseconds lost".
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

echo "-- a start for every 250 characters"
printf '%-10s %8s %8s %6s\n' typist ms chars/s lost
declare -A total
for r in $(seq "$runs"); do
    for typist in orvanel wtype; do
        if [ $typist = orvanel ]; then
            read -r ms lost < <(run "$script" --type --countdown 0 --delay 0)
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
[ "$status" -eq 0 ] && [ "${total[orvanel.lost]}" -eq 0 ]
