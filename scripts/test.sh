#!/usr/bin/env bash
# Installs what is missing, builds Orvanel with every test, and runs them all.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
orvanel_install_missing "${ORVANEL_TEST_PACKAGES[@]}"

build=build/test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANEL_WERROR=ON
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j2
