#!/usr/bin/env bash
# Typing throughput of the X11 backend against `xdotool type --delay 0`, on a
# private Xvfb. Usage: bench/x11_typing.sh [BUILD_DIR] [--chars N] [--runs N]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/bench}
shift || true
if [ ! -x "$build/bench/bench_x11_typing" ] || [ ! -x "$build/tests/x11/targetwin" ]; then
    cmake --build "$build" --target bench_x11_typing targetwin
fi
exec "$here/../tests/x11/run_with_xvfb.sh" --timeout 600 \
    "$build/bench/bench_x11_typing" --targetwin "$build/tests/x11/targetwin" "$@"
