#!/usr/bin/env bash
# Installs what is missing, builds Orvanel and starts it.
#
# The program keeps its week in the files of its working directory. This
# script starts it in the data folder ORVANEL_DATA_DIR (default: ~/Orvanel),
# which it creates if needed (mode 0700), with a copy of the manual
# "schedule.html", through packaging/orvanel-launch.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
orvanel_install_missing "${ORVANEL_RUN_PACKAGES[@]}"

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DORVANEL_BUILD_TESTS=OFF -DORVANEL_BUILD_BENCH=OFF
cmake --build "$build"

# The same launcher as the applications menu's: it creates the data folder
# (readable by you only), puts the manual there and starts the program in it.
export ORVANEL_PROGRAM="$PWD/$build/src/ui/orvanel"
export ORVANEL_MANUAL="$PWD/docs/schedule.html"
launcher=$PWD/packaging/orvanel-launch

# Orvanel drives X11 windows, so it needs an X display (on a Wayland desktop
# XWayland provides one).
if [ -z "${DISPLAY:-}" ]; then
    echo "No X display: starting Orvanel on a virtual X display (Xvfb)."
    exec xvfb-run -a -s "-screen 0 1280x800x24" sh "$launcher"
fi
exec sh "$launcher"
