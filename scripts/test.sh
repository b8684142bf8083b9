#!/usr/bin/env bash
# Installs what is missing, builds Orvanel with every test, and runs them all:
# the tests of every layer (those that need X start their own Xvfb), the
# sanitizer build, the fuzz targets, the static checks, then the Windows build
# and its tests under Wine, and last the packages: the Debian package is
# installed on this machine and removed again (run as root), the Windows
# installer is tried under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
orvanel_install_missing "${ORVANEL_TEST_PACKAGES[@]}"

build=build/test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANEL_WERROR=ON
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j2

echo "== Sanitizers (AddressSanitizer, UndefinedBehaviorSanitizer)"
bash scripts/checks/sanitizers.sh
echo "== Fuzz targets"
FUZZ_SECONDS=${FUZZ_SECONDS:-20} bash scripts/checks/fuzz.sh
echo "== Static checks (clang-tidy)"
bash scripts/checks/tidy.sh

echo "== Windows build and tests under Wine"
bash tests/win32/run-wine-tests.sh

echo "== Packages: build, install and remove the .deb, the installer under Wine"
bash tests/package/run-package-tests.sh
