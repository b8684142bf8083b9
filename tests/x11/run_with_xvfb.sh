#!/usr/bin/env bash
# Runs a command on a private, headless X server and stops the server after.
#
#   run_with_xvfb.sh [--timeout SECONDS] COMMAND [ARGS...]
#
# Starts Xvfb on a free display number (Xvfb picks it: -displayfd), without
# TCP, exports DISPLAY for the command, runs the command under a time limit
# (default 240 s) and kills the server on every way out. Exits with the
# command's status, or 77 (skipped) when Xvfb is not installed.
set -u

limit=240
if [ "${1:-}" = "--timeout" ]; then
    limit=$2
    shift 2
fi
if [ $# -eq 0 ]; then
    echo "usage: $0 [--timeout SECONDS] COMMAND [ARGS...]" >&2
    exit 2
fi
if ! command -v Xvfb >/dev/null 2>&1; then
    echo "Xvfb is not installed: the X11 tests are skipped." >&2
    exit 77
fi

workdir=$(mktemp -d "${TMPDIR:-/tmp}/orvanel-xvfb.XXXXXX")
xvfb_pid=
cleanup() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null
        for _ in $(seq 50); do
            kill -0 "$xvfb_pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -9 "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    rm -rf "$workdir"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 1280x1024x24 \
    3>"$workdir/display" 2>"$workdir/xvfb.log" &
xvfb_pid=$!

display=
for _ in $(seq 200); do
    if grep -q '^[0-9]' "$workdir/display" 2>/dev/null; then
        display=$(head -n1 "$workdir/display" | tr -d '[:space:]')
        break
    fi
    if ! kill -0 "$xvfb_pid" 2>/dev/null; then
        break
    fi
    sleep 0.05
done
if [ -z "$display" ]; then
    echo "Xvfb did not start:" >&2
    cat "$workdir/xvfb.log" >&2
    exit 1
fi

export DISPLAY=":$display"
unset XAUTHORITY WAYLAND_DISPLAY
timeout --kill-after=10 "$limit" "$@"
