#!/usr/bin/env bash
# Runs a command inside a private headless Wayland compositor and stops the
# compositor on every exit path.
#
#   run_with_sway.sh [--weston] [--keep-display] [--layout L] [--timeout SECONDS] COMMAND...
#
# sway (or, with --weston, weston's headless backend, which lacks the window
# list and virtual keyboard protocols) runs as an unprivileged user (sway
# refuses root) on a private XDG_RUNTIME_DIR, with no input devices and the
# pixman renderer. The command gets WAYLAND_DISPLAY, XDG_RUNTIME_DIR and, for
# sway, SWAYSOCK; DISPLAY is removed unless --keep-display is given. Exit code 77 when the compositor is not
# installed or cannot start (the test is then skipped).
set -u
compositor=sway layout=us timeout=240 keep_display=
while [ $# -gt 0 ]; do
    case "$1" in
    --weston) compositor=weston; shift ;;
    --keep-display) keep_display=1; shift ;;
    --layout) layout=$2; shift 2 ;;
    --timeout) timeout=$2; shift 2 ;;
    *) break ;;
    esac
done
command -v "$compositor" >/dev/null || { echo "$compositor is not installed" >&2; exit 77; }

user=65534
runtime=$(mktemp -d /tmp/orvanel-wl.XXXXXX) || exit 1
chmod 700 "$runtime"
[ "$(id -u)" -eq 0 ] && chown "$user:$user" "$runtime"
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    rm -rf "$runtime"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

as_user=()
[ "$(id -u)" -eq 0 ] && as_user=(setpriv --reuid="$user" --regid="$user" --clear-groups)
base_env=(env -i PATH=/usr/bin:/bin HOME="$runtime" XDG_RUNTIME_DIR="$runtime"
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman)
if [ "$compositor" = sway ]; then
    printf 'xwayland disable\ninput * xkb_layout %s\noutput HEADLESS-1 resolution 1024x768\n' \
        "$layout" >"$runtime/config"
    chmod 644 "$runtime/config"
    "${as_user[@]}" "${base_env[@]}" sway -c "$runtime/config" >"$runtime/log" 2>&1 &
else
    "${as_user[@]}" "${base_env[@]}" weston --backend=headless-backend.so --no-config \
        --socket=wayland-1 >"$runtime/log" 2>&1 &
fi
pid=$!
for _ in $(seq 100); do
    socket=$(find "$runtime" -maxdepth 1 -name 'wayland-*' -type s 2>/dev/null | head -1)
    [ -n "$socket" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
done
if [ -z "${socket:-}" ]; then
    echo "$compositor did not start:" >&2
    cat "$runtime/log" >&2
    exit 77
fi
export XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="${socket##*/}"
[ -n "$keep_display" ] || unset DISPLAY
if [ "$compositor" = sway ]; then
    for _ in $(seq 100); do
        SWAYSOCK=$(find "$runtime" -maxdepth 1 -name 'sway-ipc.*' -type s | head -1)
        [ -n "$SWAYSOCK" ] && break
        sleep 0.05
    done
    export SWAYSOCK
fi
timeout --kill-after=5 "$timeout" "$@"
