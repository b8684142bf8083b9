#!/usr/bin/env bash
# Runs a command inside a private headless GNOME Shell (Wayland, one virtual
# monitor) with Orvanel's extension enabled, and stops the shell on every
# exit path.
#
#   run_with_gnome.sh --extension DIR [--layout L] [--later] [--timeout SECONDS] COMMAND...
#
# DIR holds the extension as the tests build it: a folder for each of its
# forms, named by its uuid (metadata.json, extension.js, transport.js). Both
# forms are installed and enabled; the shell loads the one for its version.
# L is the session's keyboard layout (an XKB layout name; default us). The
# screen saver does not lock. With --later the extension is neither
# installed nor enabled: the command gets DIR in ORVANEL_GNOME_EXTENSION,
# the shell's user folder of extensions in ORVANEL_GNOME_EXTENSION_TARGET,
# and starts once GNOME Shell is on the bus.
# The shell runs as an unprivileged user (uid 65534 when started as root) in
# a session bus of its own (dbus-run-session), with a private bus daemon as
# its system bus, a fresh HOME (the extension under
# ~/.local/share/gnome-shell/extensions) and XDG_RUNTIME_DIR, and the
# accessibility bridge off (with it, the shell waits minutes for a registry
# that is not there). The command gets WAYLAND_DISPLAY, XDG_RUNTIME_DIR,
# HOME and the session bus once the extension answers on the bus. Exit code
# 77 when GNOME Shell is not installed or cannot start (the test is then
# skipped).
set -u
if [ "${1:-}" = --inside ]; then
    shift
    inside=1
else
    inside=
fi
extension='' layout=us timeout=240 later=
while [ $# -gt 0 ]; do
    case "$1" in
    --extension) extension=$2; shift 2 ;;
    --layout) layout=$2; shift 2 ;;
    --later) later=--later; shift ;;
    --timeout) timeout=$2; shift 2 ;;
    *) break ;;
    esac
done
bus_name=example.orvanel.GnomeShell

if [ -z "$inside" ]; then
    command -v gnome-shell >/dev/null || { echo "gnome-shell is not installed" >&2; exit 77; }
    command -v dbus-run-session >/dev/null || { echo "dbus-run-session is not installed" >&2; exit 77; }
    ls "$extension"/*/metadata.json >/dev/null 2>&1 || { echo "no extension in '$extension'" >&2; exit 2; }
    runtime=$(mktemp -d /tmp/orvanel-gnome.XXXXXX) || exit 1
    mkdir -p "$runtime/run" "$runtime/home"
    chmod 755 "$runtime"
    chmod 700 "$runtime/run" "$runtime/home"
    as_user=()
    if [ "$(id -u)" -eq 0 ]; then
        chown -R 65534:65534 "$runtime"
        as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    fi
    system_bus=
    cleanup() {
        [ -n "$system_bus" ] && kill "$system_bus" 2>/dev/null && wait "$system_bus" 2>/dev/null
        rm -rf "$runtime"
    }
    trap cleanup EXIT
    trap 'exit 143' TERM INT HUP
    # The shell asks the system bus for logind, accounts, power and the like;
    # a bus with none of them serves.
    cat >"$runtime/system.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$runtime/run/system_bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
    "${as_user[@]}" env -i PATH=/usr/bin:/bin dbus-daemon --config-file="$runtime/system.conf" \
        --nofork --nopidfile >"$runtime/system-bus.log" 2>&1 &
    system_bus=$!
    for _ in $(seq 100); do [ -S "$runtime/run/system_bus" ] && break; sleep 0.02; done
    "${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$runtime/home" \
        XDG_RUNTIME_DIR="$runtime/run" XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME \
        DBUS_SYSTEM_BUS_ADDRESS="unix:path=$runtime/run/system_bus" NO_AT_BRIDGE=1 GTK_A11Y=none \
        TZ="${TZ:-}" LANG=C.UTF-8 \
        dbus-run-session -- bash "$0" --inside --extension "$extension" --layout "$layout" \
        $later --timeout "$timeout" "$@"
    exit $?
fi

# Inside the session bus, as the shell's user.
target=$HOME/.local/share/gnome-shell/extensions
if [ -n "$later" ]; then
    export ORVANEL_GNOME_EXTENSION=$extension ORVANEL_GNOME_EXTENSION_TARGET=$target
    bus_name=org.gnome.Shell
else
    enabled=
    for form in "$extension"/*/; do
        uuid=$(basename "$form")
        mkdir -p "$target/$uuid"
        cp "$form/metadata.json" "$form/extension.js" "$form/transport.js" "$target/$uuid/"
        enabled+="${enabled:+, }'$uuid'"
    done
    gsettings set org.gnome.shell enabled-extensions "[$enabled]"
fi
gsettings set org.gnome.desktop.input-sources sources "[('xkb', '$layout')]"
gsettings set org.gnome.desktop.screensaver lock-enabled false
ulimit -c 0
log=$XDG_RUNTIME_DIR/gnome-shell.log
gnome-shell --headless --wayland --virtual-monitor 1024x768 >"$log" 2>&1 &
shell=$!
stop_shell() {
    kill "$shell" 2>/dev/null
    wait "$shell" 2>/dev/null
}
trap stop_shell EXIT
answering() {
    gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
        --method org.freedesktop.DBus.NameHasOwner "$bus_name" 2>/dev/null | grep -q true
}
for _ in $(seq 300); do
    [ -S "$XDG_RUNTIME_DIR/wayland-0" ] && answering && break
    kill -0 "$shell" 2>/dev/null || break
    sleep 0.1
done
if ! answering || [ ! -S "$XDG_RUNTIME_DIR/wayland-0" ]; then
    echo "GNOME Shell did not start (or not with the extension):" >&2
    tail -30 "$log" >&2
    exit 77
fi
export WAYLAND_DISPLAY=wayland-0
unset DISPLAY
timeout --kill-after=5 "$timeout" "$@"
status=$?
if [ "$status" -ne 0 ] && [ -n "${ORVANEL_GNOME_LOG:-}" ]; then
    cp "$log" "$ORVANEL_GNOME_LOG" 2>/dev/null
fi
exit "$status"
