#!/usr/bin/env bash
# The Debian package on this machine (as root): it installs, its commands,
# desktop entry, metainfo, icons, manual pages and GNOME Shell extension are
# in place, the program started by the desktop entry's Exec line keeps its
# week in ~/Orvanel, and removing the package leaves nothing in /usr.
#
# Usage: deb_test.sh orvanel_VERSION_amd64.deb VERSION
set -euo pipefail
deb=$(realpath "$1")
version=$2

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

work=$(mktemp -d "${TMPDIR:-/tmp}/orvanel-deb-test.XXXXXX")
session=
cleanup() {
    if [ -n "$session" ]; then
        kill -TERM -- "-$session" 2>/dev/null || true
        wait "$session" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

echo "== dpkg -i"
dpkg -i "$deb"
dpkg -L orvanel | sort >"$work/files"

actual=$(orvanel-script --version)
[ "$actual" == "orvanel-script $version" ] || fail "orvanel-script --version printed: $actual"

desktop=/usr/share/applications/orvanel.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
# KDE Plasma grants its window list and fake input to the program an entry's
# Exec names: each program has a hidden entry of its own.
for entry in orvanel-program:orvanel orvanel-script:orvanel-script; do
    file=/usr/share/applications/${entry%%:*}.desktop
    desktop-file-validate "$file" || fail "desktop-file-validate $file"
    grep -qx "Exec=/usr/bin/${entry##*:}" "$file" || fail "$file does not start /usr/bin/${entry##*:}"
    grep -qx 'X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input,org_kde_plasma_window_management' \
        "$file" || fail "$file does not name KWin's protocols"
done
metainfo=/usr/share/metainfo/example.orvanel.Orvanel.metainfo.xml
appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 || {
    cat "$work/appstream.log" >&2
    fail "appstreamcli validate $metainfo"
}
for page in orvanel orvanel-script; do
    zcat "/usr/share/man/man1/$page.1.gz" | grep -q "^\.TH ${page^^} 1 .*$version" ||
        fail "no manual page $page(1) of version $version"
done
[ -f /usr/share/doc/orvanel/schedule.html ] || fail "no schedule.html in the doc folder"
# Both forms of the extension: scripts for GNOME Shell 42 to 44, modules for 45 on.
for form in orvanel@orvanel.example:42 orvanel45@orvanel.example:45; do
    uuid=${form%:*} extension=/usr/share/gnome-shell/extensions/${form%:*}
    python3 - "$extension/metadata.json" "$uuid" "${form#*:}" <<'PY' ||
import json, sys
meta = json.load(open(sys.argv[1]))
sys.exit(0 if meta["uuid"] == sys.argv[2] and sys.argv[3] in meta["shell-version"] and
         meta["orvanel-programs"] == ["/usr/bin/orvanel", "/usr/bin/orvanel-script"] else 1)
PY
        fail "$extension/metadata.json is not the extension of the installed programs"
    [ -f "$extension/extension.js" ] && [ -f "$extension/transport.js" ] ||
        fail "no extension.js and transport.js in $extension"
done
[ -f /usr/share/icons/hicolor/scalable/apps/orvanel.svg ] || fail "no scalable icon"
for size in 16 32 48 256; do
    png=/usr/share/icons/hicolor/${size}x${size}/apps/orvanel.png
    python3 - "$png" "$size" <<'PY' || fail "$png is not a PNG of $size x $size"
import struct, sys
data = open(sys.argv[1], "rb").read(24)
size = int(sys.argv[2])
sys.exit(0 if data[:8] == b"\x89PNG\r\n\x1a\n" and struct.unpack(">II", data[16:24]) == (size, size) else 1)
PY
done

echo "== the desktop entry's Exec line, under Xvfb, with a fresh HOME"
exec_line=$(sed -n 's/^Exec=//p' "$desktop" | sed 's/ *%[fFuUik]//g')
mkdir "$work/home" "$work/elsewhere"
(cd "$work/elsewhere" &&
    exec setsid env -i HOME="$work/home" PATH=/usr/bin:/bin LANG=C.UTF-8 \
        xvfb-run -a -s "-screen 0 1280x800x24" sh -c "exec $exec_line" >"$work/run.log" 2>&1) &
session=$!
data=$work/home/Orvanel
for _ in $(seq 300); do
    [ -f "$data/schedule.ini" ] && break
    sleep 0.1
done
if [ -f "$data/schedule.ini" ]; then
    [ "$(stat -c %a "$data")" == 700 ] || fail "$data has mode $(stat -c %a "$data"), not 700"
    [ -f "$data/schedule.html" ] || fail "no copy of the manual in $data"
else
    cat "$work/run.log" >&2
    fail "no ~/Orvanel/schedule.ini after starting the desktop entry"
fi
[ -z "$(ls -A "$work/elsewhere")" ] || fail "files written in the folder it was started from"
kill -TERM -- "-$session" 2>/dev/null || true
wait "$session" 2>/dev/null || true
session=

# The hidden entry is what KWin reads: on a private KWin, with no entry but
# the installed ones, the installed orvanel-script types through the KDE
# backend instead of falling back to X11.
if command -v kwin_wayland >/dev/null && command -v dbus-run-session >/dev/null; then
    echo "== KDE Plasma lets the installed orvanel-script type"
    kde_out=$(bash "$(dirname "$0")/../kde/run_with_kwin.sh" --timeout 30 \
        /usr/bin/orvanel-script --type --countdown 0 "" 2>&1) || true
    [[ "$kde_out" == *Done.* && "$kde_out" != *"Only windows of X11"* ]] ||
        fail "orvanel-script did not type on KWin: $kde_out"
fi

echo "== dpkg -r"
dpkg -r orvanel
while IFS= read -r path; do
    if [ -f "$path" ] || [ -L "$path" ]; then
        fail "left after removal: $path"
    fi
done <"$work/files"
left=$(find /usr -xdev -path /usr/local -prune -o -iname '*orvanel*' -print 2>/dev/null)
[ -z "$left" ] || fail "left in /usr after removal: $left"

if [ "$failures" -ne 0 ]; then
    echo "deb_test: $failures failure(s)" >&2
    exit 1
fi
echo "deb_test: passed"
