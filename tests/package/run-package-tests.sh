#!/usr/bin/env bash
# Builds the packages (scripts/package.sh) and tests them: the Debian package
# installed on this machine (as root), the Windows installer under Wine.
# While the Windows build has no window program, the installer is tested with
# a stand-in program (stub_program_win32.cpp) that writes schedule.ini into
# its working directory, as the program does on its first start.
set -euo pipefail
cd "$(dirname "$0")/../.."

start=$SECONDS
bash scripts/package.sh
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' \
    "${ORVANEL_PACKAGE_BUILD:-build/package}/CMakeCache.txt")
echo "== Packages took $((SECONDS - start)) s"

start=$SECONDS
echo "== Debian package"
bash tests/package/deb_test.sh "dist/orvanel_${version}_amd64.deb" "$version"
echo "== Debian package tests took $((SECONDS - start)) s"

start=$SECONDS
echo "== Windows installer under Wine"
msi=dist/orvanel-${version}-x64.msi
if [[ "$(msiinfo export "$msi" File)" != *$'\torvanel.exe\t'* ]]; then
    echo "NOTE: $msi has no orvanel.exe: testing an installer with a stand-in program" >&2
    work=$(mktemp -d "${TMPDIR:-/tmp}/orvanel-msi-stub.XXXXXX")
    trap 'rm -rf "$work"' EXIT
    x86_64-w64-mingw32-g++-posix -O2 -static -o "$work/orvanel.exe" \
        tests/package/stub_program_win32.cpp
    bash packaging/windows/build-msi.sh "$version" "$work/orvanel.msi" \
        build/win-x64/src/tools/orvanel-script.exe docs/schedule.html "$work/orvanel.exe"
    msi=$work/orvanel.msi
fi
bash tests/package/msi_wine_test.sh "$msi" "$version"
echo "== Windows installer tests took $((SECONDS - start)) s"
