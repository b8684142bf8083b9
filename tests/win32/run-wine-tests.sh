#!/usr/bin/env bash
# The Windows tests: cross-builds Orvanel for 64-bit Windows (presets
# windows-x64) and 32-bit Windows (windows-x86, a build check of the program
# only) with MinGW-w64, and runs the 64-bit tests under Wine in a virtual X
# display of their own, with a fresh Wine prefix that is thrown away at the
# end.
#
# Needs: cmake, ninja, MinGW-w64 (g++-mingw-w64-x86-64-posix,
# g++-mingw-w64-i686-posix), googletest (the sources), wine64 and wine, Xvfb,
# xkbcomp (x11-xkb-utils).
#
# Extra arguments go to ctest, e.g. -R win32_e2e --repeat until-fail:5.
# --build-only builds and stops; --no-build runs the tests of the last build.
set -euo pipefail
cd "$(dirname "$0")/../.."

build=1 run=1
case "${1:-}" in
--build-only) run=0; shift ;;
--no-build) build=0; shift ;;
esac

for tool in cmake ninja x86_64-w64-mingw32-g++-posix i686-w64-mingw32-g++-posix wine wineboot \
    wineserver Xvfb xkbcomp; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "run-wine-tests: $tool is missing" >&2
        exit 1
    fi
done

if [ "$build" -eq 1 ]; then
    start=$SECONDS
    echo "== Windows build: 64-bit"
    cmake --preset windows-x64 >/dev/null
    cmake --build --preset windows-x64
    echo "== Windows build: 32-bit (a build check of the program only, without its tests)"
    cmake --preset windows-x86 -DORVANEL_BUILD_TESTS=OFF >/dev/null
    cmake --build --preset windows-x86 --target orvanel
    echo "== Windows builds took $((SECONDS - start)) s"
fi
[ "$run" -eq 1 ] || exit 0

work=$(mktemp -d "${TMPDIR:-/tmp}/orvanel-wine.XXXXXX")
xvfb_pid=
cleanup() {
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        timeout 30 wineserver -k >/dev/null 2>&1 || true
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# A display of our own. -noreset keeps the keyboard map loaded below when
# the last client goes.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
if [ ! -s "$work/display" ]; then
    echo "run-wine-tests: Xvfb did not start" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$(head -n1 "$work/display")"
# The US layout as Windows has it, which is what the typing tests expect.
xkbcomp -w0 tests/win32/us-windows.xkb "$DISPLAY"

# A fresh 64-bit Wine prefix in the US English locale, without the Mono and
# Gecko installers, and with windows that Wine places itself (there is no
# window manager on this display).
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all LANG=en_US.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="
start=$SECONDS
timeout 300 wineboot -i >"$work/wineboot.log" 2>&1 || {
    echo "run-wine-tests: wineboot failed" >&2
    cat "$work/wineboot.log" >&2
    exit 1
}
timeout 120 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
timeout 120 wineserver -w
echo "== Wine prefix took $((SECONDS - start)) s"

start=$SECONDS
echo "== Windows tests under Wine"
ctest --preset windows-x64 -j2 --timeout 300 "$@"
echo "== Windows tests took $((SECONDS - start)) s"
