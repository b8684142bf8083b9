#!/usr/bin/env bash
# Runs a command inside a private headless KWin (KDE Plasma's compositor) on
# a private session bus, and stops both on every exit path.
#
#   run_with_kwin.sh [--layout L] [--grant PROGRAM]... [--timeout SECONDS] COMMAND...
#
# KWin (kwin_wayland --virtual) and the command run as an unprivileged user
# (65534 when started as root) inside dbus-run-session, with a private HOME,
# XDG_RUNTIME_DIR, XDG_CONFIG_HOME (kxkbrc names the layout, "us" unless
# given) and XDG_DATA_HOME. KWin grants its fake input and window list only
# to a program whose desktop file names them: each --grant PROGRAM gets one
# there, with its path in Exec.
#
# Debian's kwin_wayland carries a file capability (cap_sys_resource) that a
# container may refuse to execute; a copy without it runs, and it keeps the
# name kwin_wayland, without which KWin's platform plugin does not load.
#
# The command gets WAYLAND_DISPLAY, XDG_RUNTIME_DIR and the bus. Exit code 77
# when KWin is not installed or cannot start (the test is then skipped).
set -u
layout=us timeout=240 grants=()
while [ $# -gt 0 ]; do
    case "$1" in
    --layout) layout=$2; shift 2 ;;
    --grant) grants+=("$2"); shift 2 ;;
    --timeout) timeout=$2; shift 2 ;;
    *) break ;;
    esac
done
kwin=$(command -v kwin_wayland) || { echo "kwin_wayland is not installed" >&2; exit 77; }
command -v dbus-run-session >/dev/null || { echo "dbus-run-session is not installed" >&2; exit 77; }

user=65534
home=$(mktemp -d /tmp/orvanel-kwin.XXXXXX) || exit 1
cleanup() { rm -rf "$home"; }
trap cleanup EXIT
trap 'exit 143' TERM INT HUP
mkdir -p "$home/bin" "$home/runtime" "$home/config" "$home/share/applications"
cp "$kwin" "$home/bin/kwin_wayland" # without the file capability
printf '[Layout]\nLayoutList=%s\nUse=true\n' "$layout" >"$home/config/kxkbrc"
for program in "${grants[@]}"; do
    printf '%s\n' '[Desktop Entry]' 'Type=Application' "Name=${program##*/}" \
        "Exec=$(realpath "$program")" 'NoDisplay=true' \
        'X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input,org_kde_plasma_window_management' \
        >"$home/share/applications/${program##*/}.desktop"
done
chmod -R go-rwx "$home"
[ "$(id -u)" -eq 0 ] && chown -R "$user:$user" "$home"

as_user=()
[ "$(id -u)" -eq 0 ] && as_user=(setpriv --reuid="$user" --regid="$user" --clear-groups)
# Inside the session bus: KWin first, the command once KWin is on the bus.
inner='
"$ORVANEL_KWIN_HOME/bin/kwin_wayland" --virtual --socket wayland-orvanel --no-lockscreen \
    --width 1024 --height 768 >"$ORVANEL_KWIN_HOME/kwin.log" 2>&1 &
kwin=$!
trap "kill $kwin 2>/dev/null; wait $kwin 2>/dev/null" EXIT
for _ in $(seq 250); do
    [ -S "$XDG_RUNTIME_DIR/wayland-orvanel" ] &&
        busctl --user status org.kde.KWin >/dev/null 2>&1 && break
    kill -0 $kwin 2>/dev/null || break
    sleep 0.02
done
if ! busctl --user status org.kde.KWin >/dev/null 2>&1; then
    echo "kwin_wayland did not start:" >&2
    cat "$ORVANEL_KWIN_HOME/kwin.log" >&2
    exit 77
fi
export WAYLAND_DISPLAY=wayland-orvanel
timeout --kill-after=5 "$ORVANEL_KWIN_TIMEOUT" "$@"
'
"${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$home/runtime" \
    XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/share" \
    XDG_DATA_DIRS=/usr/local/share:/usr/share LANG=C.UTF-8 \
    ORVANEL_KWIN_HOME="$home" ORVANEL_KWIN_TIMEOUT="$timeout" ${ORVANEL_TEST_LAYOUT:+ORVANEL_TEST_LAYOUT="$ORVANEL_TEST_LAYOUT"} \
    dbus-run-session -- bash -c "$inner" bash "$@"
