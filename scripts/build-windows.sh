#!/usr/bin/env bash
# Builds Orvanel for Windows: cross-builds the 64-bit and the 32-bit programs
# with MinGW-w64 (installing what is missing with apt) and puts each
# architecture's orvanel.exe, orvanel-script.exe and schedule.html into
# dist/windows-x64/ and dist/windows-x86/. The programs are linked statically
# and stripped: each .exe runs on its own, with no DLLs beside it.
#
# Usage: scripts/build-windows.sh [x64|x86]...   (both when none is given)
set -euo pipefail
cd "$(dirname "$0")/.."

# shellcheck source=packages.sh
source scripts/packages.sh
orvanel_install_missing cmake ninja-build googletest \
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 \
    binutils-mingw-w64-i686

architectures=("$@")
[ ${#architectures[@]} -eq 0 ] && architectures=(x64 x86)

for arch in "${architectures[@]}"; do
    case "$arch" in
    x64) triple=x86_64-w64-mingw32 ;;
    x86) triple=i686-w64-mingw32 ;;
    *) echo "build-windows: unknown architecture $arch (x64 or x86)" >&2; exit 2 ;;
    esac
    echo "== Windows $arch"
    cmake --preset "windows-$arch" >/dev/null
    cmake --build --preset "windows-$arch" --target orvanel orvanel-script
    build="build/win-$arch"
    dist="dist/windows-$arch"
    rm -rf "$dist"
    mkdir -p "$dist"
    "$triple-strip" -o "$dist/orvanel.exe" "$build/src/ui/win32/orvanel.exe"
    "$triple-strip" -o "$dist/orvanel-script.exe" "$build/src/tools/orvanel-script.exe"
    cp docs/schedule.html "$dist/"
    # Only system DLLs may be imported.
    imports=$("$triple-objdump" -p "$dist/orvanel.exe" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')
    echo "   $dist/orvanel.exe ($(stat -c %s "$dist/orvanel.exe") bytes) imports: $imports"
    for dll in $imports; do
        case "${dll,,}" in
        kernel32.dll | user32.dll | gdi32.dll | comctl32.dll | shell32.dll | advapi32.dll | \
            msvcrt.dll | ole32.dll | uxtheme.dll) ;;
        *) echo "build-windows: orvanel.exe needs $dll, which Windows does not have" >&2; exit 1 ;;
        esac
    done
done
echo "build-windows: done (dist/)"
