#!/usr/bin/env bash
# Installs what is missing and builds the packages of Orvanel into dist/:
#
#   orvanel_<version>_amd64.deb   the Debian package (CPack; its dependencies
#                                 worked out by dpkg-shlibdeps), checked by lintian
#   orvanel-<version>-x64.msi     the Windows installer, per user (wixl)
#
# The Windows window program is taken from ORVANEL_WINDOWS_PROGRAM (default
# dist/windows-x64/orvanel.exe, which scripts/build-windows.sh makes where it
# exists). Without it the installer holds only orvanel-script.exe and the
# manual, and the script says so.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
orvanel_install_missing "${ORVANEL_PACKAGE_PACKAGES[@]}"
mkdir -p dist

echo "== Linux program and Debian package"
# ORVANEL_PACKAGE_BUILD names a build that was configured with the same
# arguments (scripts/test.sh makes build/test so) and is packaged as it is,
# tests and all built; otherwise a Release build of the programs of its own.
orvanel_debian_cmake_args
build=${ORVANEL_PACKAGE_BUILD:-build/package}
if [ -z "${ORVANEL_PACKAGE_BUILD:-}" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DORVANEL_BUILD_TESTS=OFF -DORVANEL_BUILD_BENCH=OFF "${orvanel_debian_args[@]}" >/dev/null
else
    for arg in "${orvanel_debian_args[@]}"; do
        name=${arg%%=*}
        name=${name#-D}
        if [ "$(sed -n "s/^$name:[A-Z]*=//p" "$build/CMakeCache.txt")" != "${arg#*=}" ]; then
            echo "package: $build was not configured with $arg" >&2
            exit 1
        fi
    done
fi
cmake --build "$build"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
rm -f "$build"/orvanel_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=dist/orvanel_${version}_amd64.deb
cp "$build/orvanel_${version}_amd64.deb" "$deb"
echo "== lintian $deb"
lintian_status=0
lintian --fail-on error "$deb" >build/lintian.log 2>&1 || lintian_status=$?
grep -v 'running with root privileges' build/lintian.log || true
if [ "$lintian_status" -ne 0 ]; then
    echo "package: lintian found errors" >&2
    exit 1
fi

echo "== Windows programs and installer"
# The installer holds the 64-bit program (scripts/build-windows.sh x86 makes
# the 32-bit one).
if [ -f scripts/build-windows.sh ]; then
    bash scripts/build-windows.sh x64
fi
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64 --target orvanel-script
script_exe=build/win-x64/src/tools/orvanel-script.exe
program_exe=${ORVANEL_WINDOWS_PROGRAM:-dist/windows-x64/orvanel.exe}
msi=dist/orvanel-${version}-x64.msi
if [ -f "$program_exe" ]; then
    bash packaging/windows/build-msi.sh "$version" "$msi" "$script_exe" docs/schedule.html \
        "$program_exe"
else
    echo "package: NOTE: $program_exe does not exist: the installer is built without" \
        "the window program and its Start-menu shortcut" >&2
    bash packaging/windows/build-msi.sh "$version" "$msi" "$script_exe" docs/schedule.html
fi

echo "== Packages of Orvanel $version:"
ls -l "$deb" "$msi"
