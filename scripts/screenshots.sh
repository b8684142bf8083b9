#!/usr/bin/env bash
# Takes the screenshots of the README (docs/screenshot-general.png,
# docs/screenshot-day.png and docs/screenshot-history.png, the History page
# with a selected row) of the real program on a virtual X display, with a
# window manager so that the window has its frame.
#
# Needs: xvfb, openbox, xdotool, imagemagick (import). Uses the program built
# in $ORVANEL_BUILD_DIR (default build/release; scripts/run.sh builds it).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if [ -z "${ORVANEL_IN_XVFB:-}" ]; then
    export ORVANEL_IN_XVFB=1
    exec xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$0" "$@"
fi

program="$root/${ORVANEL_BUILD_DIR:-build/release}/src/ui/orvanel"
[ -x "$program" ] || { echo "screenshots: build the program first ($program)" >&2; exit 1; }

data=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$data"
}
trap cleanup EXIT

# A filled Monday, as a user would keep it.
printf '%s\r\n' \
    'gedit|Untitled Document 1 - gedit|7|30|Good morning!~;^s' \
    'xterm||12|0|cd {~}/backup~;./run-backup.sh~' \
    'firefox||9|15|{SLEEP 5};^l;https://example.org/~' \
    '/usr/bin/xcalc|Calculator|18|45|12{NUMPADMULTIPLY}3~' \
    'gedit|notes.txt - gedit|17|0|^{END};Done for today.~;^s;%{F4}' \
    > "$data/monlist.ini"
printf 'Script Delay (mSecs):\r\n250\r\n' > "$data/schedule.ini"
cp docs/schedule.html "$data/"
# A history of today and the days before, oldest first as the file keeps it.
bash scripts/screenshot-history.sh linux > "$data/history.log"

openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1
(cd "$data" && exec "$program") &
pids+=($!)

window=$(xdotool search --sync --onlyvisible --name '^Orvanel$' | head -n 1)
sleep 1.5
xdotool windowactivate --sync "$window" 2>/dev/null || true
# Park the pointer away from the window so that no link is lit.
xdotool mousemove 5 5
sleep 0.5
# -frame takes the window manager's frame along.
import -window "$window" -frame "$root/docs/screenshot-general.png"

# The Monday page: Ctrl+Tab moves to the next page.
xdotool key --window "$window" ctrl+Tab
sleep 0.7
import -window "$window" -frame "$root/docs/screenshot-day.png"

# The History page, the last one, with its third row selected.
xdotool key --window "$window" ctrl+shift+Tab ctrl+shift+Tab
sleep 0.7
xdotool mousemove --window "$window" 60 120 click 1
xdotool mousemove 5 5
sleep 0.7
import -window "$window" -frame "$root/docs/screenshot-history.png"

echo "screenshots: docs/screenshot-general.png docs/screenshot-day.png docs/screenshot-history.png"
