#!/usr/bin/env bash
# The real program on Wayland compositors.
#
#   program_test.sh sway ORVANEL WLTARGET       (inside run_with_sway.sh)
#   program_test.sh kde ORVANEL WLTARGET        (inside tests/kde/run_with_kwin.sh)
#   program_test.sh gnome ORVANEL WLTARGET      (inside tests/gnome/run_with_gnome.sh)
#   program_test.sh fallback ORVANEL SCRIPT     (inside run_with_sway.sh --weston
#                                                 --keep-display, inside Xvfb)
#
# sway, kde, gnome: `orvanel`, started in the session, runs a due task into a
# wltarget window at its first tick (60 s after start), and into no window
# whose title merely begins with the task's; it says nothing of X11. On sway
# and KDE its release guard goes with it (on GNOME the shell itself releases
# the keys of a program that has gone).
# fallback: on a compositor that lacks the window list and the virtual
# keyboard, `orvanel` and `orvanel-script --type` fall back to X11 and say
# once why only X11 windows can be reached.
set -u
mode=$1 program=$2 helper=$3
work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
wait_for() { # SECONDS COMMAND...: polls until the command succeeds
    local end=$((SECONDS + $1)); shift
    until "$@"; do [ $SECONDS -ge $end ] && return 1; sleep 0.2; done
}
export TZ=UTC QT_QPA_PLATFORM=offscreen
notice='Only windows of X11 programs can be reached'

if [ "$mode" = fallback ]; then
    (cd "$work" && exec "$program" 2>"$work/err") &
    pids+=($!)
    wait_for 10 grep -q "$notice" "$work/err" || fail "no notice: $(cat "$work/err")"
    sleep 1
    kill -0 "${pids[0]}" 2>/dev/null || fail "the program did not keep running: $(cat "$work/err")"
    grep -q "lacks\|neither" "$work/err" || fail "the notice does not say why: $(cat "$work/err")"
    "$helper" --type --countdown 0 "" 2>"$work/script-err" >/dev/null || fail "orvanel-script --type failed"
    [ "$(grep -c "$notice" "$work/script-err")" = 1 ] || fail "not said once: $(cat "$work/script-err")"
    echo "fallback: ok"
    exit 0
fi

title="Orvanel Wayland Target"
"$helper" --title "$title" --out "$work/target" &
pids+=($!)
"$helper" --title "$title 2" --out "$work/decoy" &
pids+=($!)
wait_for 5 test -f "$work/target.ready" -a -f "$work/decoy.ready" || fail "wltarget did not start"

# Leave enough of the current minute for the program to start in it.
[ $(($(date +%s) % 60)) -lt 45 ] || sleep $((61 - $(date +%s) % 60))
due=$(( $(date +%s) / 60 * 60 + 60 ))
days=(sunlist monlist tuelist wedlist thulist frilist satlist)
printf '%s|%s|%s|%s|%s\r\n' '/nonexistent\never.sh' "$title" "$(date -d @$due +%-H)" \
    "$(date -d @$due +%-M)" $'hello{TAB}w\xF6rld~' >"$work/${days[$(date -d @$due +%w)]}.ini"
printf 'Script Delay (mSecs):\r\n0\r\n' >"$work/schedule.ini"

(cd "$work" && exec "$program" 2>"$work/err") &
pid=$!
pids+=($pid)
guard_of() { pgrep -P "$pid" -x orvanel-guard; }
if [ "$mode" != gnome ]; then
    wait_for 5 guard_of >/dev/null || fail "no release guard: $(cat "$work/err")"
    guard=$(guard_of)
fi
expected=$'hello<Tab>w\xc3\xb6rld<Return>'
typed() { [ "$(cat "$work/target")" = "$expected" ]; }
wait_for 80 typed ||
    fail "target got '$(cat "$work/target")', not '$expected'; stderr: $(cat "$work/err")"
[ -z "$(cat "$work/decoy")" ] || fail "a window whose title begins with the task's got '$(cat "$work/decoy")'"
! grep -q "$notice" "$work/err" || fail "fell back to X11: $(cat "$work/err")"
kill "$pid"
if [ "$mode" != gnome ]; then
    # Gone, or a zombie left to a parent that does not reap (pid 1 in some containers).
    wait_for 2 bash -c "s=\$(ps -o stat= -p $guard) || exit 0; [[ \$s == Z* ]]" ||
        fail "the release guard outlived the program"
fi
echo "$mode: ok"
