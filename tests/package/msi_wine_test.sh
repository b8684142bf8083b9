#!/usr/bin/env bash
# The Windows installer under Wine, in a virtual X display and a fresh 64-bit
# Wine prefix of its own (both thrown away at the end):
#   msiexec /i installs, per user, the programs, the manual in the data folder
#   Documents\Orvanel, the Start-menu shortcut (working directory: the data
#   folder) and an uninstall entry; the program started from the shortcut
#   creates schedule.ini in the data folder; msiexec /x removes the programs,
#   the shortcut, the manual and the entry, and leaves the user's week.
#
# Usage: msi_wine_test.sh INSTALLER.msi VERSION
# An installer without orvanel.exe is checked for the rest.
set -euo pipefail
msi=$(realpath "$1")
version=$2

for tool in wine wineboot wineserver Xvfb msiinfo python3; do
    command -v "$tool" >/dev/null 2>&1 || { echo "msi_wine_test: $tool is missing" >&2; exit 1; }
done

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

have_program=no
if [[ "$(msiinfo export "$msi" File)" == *$'\torvanel.exe\t'* ]]; then
    have_program=yes
fi

# Per user, without administrator rights: no ALLUSERS, and the summary's word
# count says that no elevation is needed (bit 8).
if [[ "$(msiinfo export "$msi" Property)" == *$'\nALLUSERS\t'* ]]; then
    fail "the installer sets ALLUSERS (a per-machine installation)"
fi
word_count=$(msiinfo suminfo "$msi" | sed -n 's/^Source: \([0-9]*\).*/\1/p')
[ $((${word_count:-0} & 8)) -ne 0 ] || fail "the installer asks for elevation (word count ${word_count:-?})"

work=$(mktemp -d "${TMPDIR:-/tmp}/orvanel-msi-test.XXXXXX")
xvfb_pid=
cleanup() {
    if [ -d "$work/prefix" ]; then
        timeout 30 wineserver -k >/dev/null 2>&1 || true
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || { echo "msi_wine_test: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

# Wine links Documents to $HOME: a home of our own keeps the machine's clean.
# No menu entries on the host either (winemenubuilder).
mkdir "$work/home"
export HOME="$work/home" WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
timeout 300 wineboot -i >"$work/wineboot.log" 2>&1 || {
    echo "msi_wine_test: wineboot failed" >&2
    cat "$work/wineboot.log" >&2
    exit 1
}

user_dir=$(winepath -u 'C:\users' | sed 's:/*$::')/$(wine cmd /c 'echo %USERNAME%' | tr -d '\r')
programs="$user_dir/AppData/Local/Programs/Orvanel"
shortcut="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Orvanel.lnk"
data=$(winepath -u "$(wine cmd /c 'echo %USERPROFILE%\Documents\Orvanel' | tr -d '\r')")
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall'

echo "== msiexec /i"
timeout 120 wine msiexec /i "$(winepath -w "$msi")" /qn || fail "msiexec /i exited $?"
timeout 60 wineserver -w
[ -f "$programs/orvanel-script.exe" ] || fail "orvanel-script.exe is not installed"
[ -f "$data/schedule.html" ] || fail "the manual is not in the data folder"
[ ! -e "$data/schedule.ini" ] || fail "the installer wrote schedule.ini"
# has_uninstall_entry: Orvanel is listed in "Apps". (Wine keeps the entry of a
# per-user installation under HKLM, Windows under the user's installer data.)
has_uninstall_entry() {
    local entries root
    for root in HKCU HKLM; do
        entries=$(wine reg query "$root\\$uninstall_key" /s 2>/dev/null | tr -d '\r' || true)
        [[ "$entries" =~ DisplayName[[:space:]]+REG_SZ[[:space:]]+Orvanel ]] && return 0
    done
    return 1
}
has_uninstall_entry || fail "no uninstall entry for Orvanel"
actual=$(timeout 60 wine "$programs/orvanel-script.exe" --version | tr -d '\r')
[ "$actual" == "orvanel-script $version" ] || fail "orvanel-script --version printed: $actual"

if [ "$have_program" == yes ]; then
    [ -f "$programs/orvanel.exe" ] || fail "orvanel.exe is not installed"
    [ -f "$shortcut" ] || fail "no Start-menu shortcut"
    # The shortcut's working directory (a UTF-16 string of the link file).
    expected_dir=$(winepath -w "$data")
    python3 - "$shortcut" "$expected_dir" <<'PY' || fail "the shortcut's working directory is not $expected_dir"
import sys
data = open(sys.argv[1], "rb").read()
want = sys.argv[2].encode("utf-16-le")
sys.exit(0 if want in data or sys.argv[2].encode("latin-1") in data else 1)
PY
    echo "== the program started from the shortcut"
    (timeout 120 wine start /unix "$shortcut" >"$work/start.log" 2>&1 &)
    for _ in $(seq 300); do
        [ -f "$data/schedule.ini" ] && break
        sleep 0.1
    done
    [ -f "$data/schedule.ini" ] || fail "no schedule.ini in the data folder after starting the shortcut"
    [ -z "$(find "$programs" -name schedule.ini)" ] || fail "schedule.ini written beside the program"
    timeout 30 wineserver -k >/dev/null 2>&1 || true
else
    echo "NOTE: the installer has no orvanel.exe: shortcut and start not tested" >&2
    printf 'Script Delay (mSecs):\r\n0\r\n' >"$data/schedule.ini"
fi
printf 'notepad.exe|Untitled - Notepad|7|5|hello\r\n' >"$data/monlist.ini"

echo "== msiexec /x"
timeout 120 wine msiexec /x "$(winepath -w "$msi")" /qn || fail "msiexec /x exited $?"
timeout 60 wineserver -w
[ ! -e "$programs" ] || fail "the program folder is left: $(ls -A "$programs")"
[ ! -e "$shortcut" ] || fail "the shortcut is left"
[ ! -e "$data/schedule.html" ] || fail "the manual is left in the data folder"
if [ ! -f "$data/schedule.ini" ] || [ ! -f "$data/monlist.ini" ]; then
    fail "the user's week was removed"
fi
! has_uninstall_entry || fail "the uninstall entry is left"

if [ "$failures" -ne 0 ]; then
    echo "msi_wine_test: $failures failure(s)" >&2
    exit 1
fi
echo "msi_wine_test: passed"
