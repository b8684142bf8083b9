#!/usr/bin/env bash
# Builds Orvanel once with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, and the libFuzzer targets with it, then runs
# every test that needs no X display (the core layers, the script tool and
# the window's tests on Qt's offscreen platform) and after them each fuzz
# target for FUZZ_SECONDS (see fuzz.sh). The X11 backend, and so the program
# itself and the tests that need an X server, are left out of this build.
# Any sanitizer finding fails the test or fuzz target that caused it, and so
# this script.
#
#   scripts/checks/sanitizers.sh          # build dir build/asan
#   BUILD=/tmp/asan scripts/checks/sanitizers.sh
#   SANITIZE_UI=OFF scripts/checks/sanitizers.sh   # without the window's tests
#   FUZZ_SECONDS=0 scripts/checks/sanitizers.sh    # without the fuzz runs
set -euo pipefail
cd "$(dirname "$0")/../.."

build=${BUILD:-build/asan}
jobs=${JOBS:-2}

# The fuzz targets need clang; the coverage instrumentation they need costs
# the tests little.
CC=${CC:-clang} CXX=${CXX:-clang++} cmake -S . -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANEL_WERROR=ON -DORVANEL_SANITIZE=ON \
    -DORVANEL_FUZZ=ON -DORVANEL_BUILD_UI="${SANITIZE_UI:-ON}" -DORVANEL_BUILD_X11=OFF \
    -DORVANEL_BUILD_BENCH=OFF -DORVANEL_BUILD_TESTS=ON
cmake --build "$build" -j "$jobs"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# The format check runs in the main test build; it needs no sanitizer.
ctest --test-dir "$build" --output-on-failure -j "$jobs" -E "^format$"

if [ "${FUZZ_SECONDS:-60}" != 0 ]; then
    # The fuzz targets keep their own sanitizer options.
    unset ASAN_OPTIONS UBSAN_OPTIONS
    BUILD=$build bash scripts/checks/fuzz.sh --no-build
fi
