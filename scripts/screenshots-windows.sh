#!/usr/bin/env bash
# Takes the screenshots of the Windows program for the README under Wine, on
# a virtual X display of its own: docs/screenshot-windows-general.png,
# docs/screenshot-windows-day.png (a filled Monday),
# docs/screenshot-windows-history.png (the History page with a selected row)
# and docs/screenshot-windows-144dpi.png (the General page at 150 %).
#
# Needs: wine, xvfb, openbox, xdotool, imagemagick (import), fonts-wine. Uses
# dist/windows-x64/orvanel.exe (scripts/build-windows.sh builds it).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
program="$root/dist/windows-x64/orvanel.exe"
[ -f "$program" ] || { echo "screenshots-windows: run scripts/build-windows.sh first" >&2; exit 1; }

work=$(mktemp -d)
xvfb_pid=
wm_pid=
cleanup() {
    timeout 30 wineserver -k >/dev/null 2>&1 || true
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" \
    >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all LANG=en_US.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="
timeout 300 wineboot -i >/dev/null 2>&1
timeout 60 wineserver -w || true
# A window manager draws the frame, as in the Linux screenshots.
openbox >/dev/null 2>&1 &
wm_pid=$!

# A filled Monday, as a user on Windows would keep it.
data="$work/data"
mkdir -p "$data"
printf '%s\r\n' \
    'notepad.exe|Untitled - Notepad|7|30|Good morning!~;^s' \
    'C:\Windows\System32\cmd.exe||12|0|cd \backup~;backup.bat~' \
    'C:\Program Files\Mail\mail.exe|Inbox - Mail|9|15|{SLEEP 5};^r' \
    'calc.exe|Calculator|18|45|12{MULTIPLY}3~' \
    'notepad.exe|notes.txt - Notepad|17|0|^{END};Done for today.~;^s;%{F4}' \
    >"$data/monlist.ini"
printf 'Script Delay (mSecs):\r\n250\r\n' >"$data/schedule.ini"
cp docs/schedule.html "$data/"
# A history of today and the days before, oldest first as the file keeps it.
bash scripts/screenshot-history.sh windows >"$data/history.log"

# Starts the program and works through the steps: a key, click:X,Y in the
# window, or shot:FILE to take the window into docs/FILE.
shoot() {
    (cd "$data" && exec wine "$program") >/dev/null 2>&1 &
    local window=
    for _ in $(seq 600); do
        window=$(xdotool search --onlyvisible --name '^Orvanel$' 2>/dev/null | head -n 1) || true
        [ -n "$window" ] && break
        sleep 0.1
    done
    [ -n "$window" ] || { echo "screenshots-windows: no window" >&2; exit 1; }
    sleep 2
    xdotool windowactivate --sync "$window" 2>/dev/null || true
    xdotool mousemove 1 1
    for step in "$@"; do
        case "$step" in
        click:*)
            IFS=, read -r x y <<<"${step#click:}"
            xdotool mousemove --window "$window" "$x" "$y" click 1 mousemove 1 1
            ;;
        shot:*)
            import -window "$window" -frame "$root/docs/${step#shot:}"
            echo "screenshots-windows: docs/${step#shot:}"
            ;;
        *) xdotool key "$step" ;;
        esac
        sleep 0.7
    done
    timeout 30 wineserver -k || true
}

shoot shot:screenshot-windows-general.png ctrl+Tab shot:screenshot-windows-day.png \
    ctrl+shift+Tab ctrl+shift+Tab click:100,118 shot:screenshot-windows-history.png
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null
timeout 30 wineserver -w || true
shoot shot:screenshot-windows-144dpi.png
