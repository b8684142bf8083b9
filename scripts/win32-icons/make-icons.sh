#!/usr/bin/env bash
# Regenerates the icons of the Windows program (src/ui/win32/res/*.ico) from
# the artwork of the Qt window (src/ui/artwork.cpp). Needs Qt 6 (qt6-base-dev)
# and g++; the icons are committed, so the Windows build does not need this.
set -euo pipefail
cd "$(dirname "$0")/../.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
g++ -std=c++20 -O1 -fPIC -Isrc $(pkg-config --cflags Qt6Gui) \
    scripts/win32-icons/makeicons.cpp src/ui/artwork.cpp \
    $(pkg-config --libs Qt6Gui) -o "$work/makeicons"
QT_QPA_PLATFORM=offscreen "$work/makeicons" src/ui/win32/res
echo "make-icons: src/ui/win32/res/orvanel.ico save.ico save-greyed.ico"
