#!/usr/bin/env bash
# Static checks: clang-tidy (the checks of .clang-tidy) over every C++ source
# of src/, tests/, bench/ and fuzz/ that the Linux build compiles (generated
# files left out), with the compile commands of a clang build in build/tidy.
# Any finding fails the script.
#
#   scripts/checks/tidy.sh                  # everything
#   scripts/checks/tidy.sh src/keys         # only sources under these paths
set -euo pipefail
cd "$(dirname "$0")/../.."

build=${BUILD:-build/tidy}
jobs=${JOBS:-2}
tidy=$(command -v clang-tidy-14 || command -v clang-tidy)
runner=$(command -v run-clang-tidy-14 || command -v run-clang-tidy)

# Configure only (plus Qt's generated moc sources and the Wayland protocol
# headers, which the sources need); nothing else is compiled.
CC=${CC:-clang} CXX=${CXX:-clang++} cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DORVANEL_BUILD_TESTS=ON -DORVANEL_BUILD_BENCH=ON -DORVANEL_BUILD_UI=ON \
    -DORVANEL_BUILD_X11=ON -DORVANEL_FUZZ=ON >/dev/null
autogen=$(ninja -C "$build" -t targets all |
    sed -n 's/^\([A-Za-z0-9_]*_\(autogen\|protocol_headers\)\): .*/\1/p' | sort -u)
if [ -n "$autogen" ]; then
    # shellcheck disable=SC2086
    cmake --build "$build" -j "$jobs" --target $autogen >/dev/null
fi

root=$(pwd)
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
# One pass over a set of directories; extra arguments go to run-clang-tidy.
tidy_pass() { # directories-regex [extra arguments...]
    local regex="^$root/($1)/"
    shift
    "$runner" -clang-tidy-binary "$tidy" -p "$build" -j "$jobs" -quiet "$@" "$regex" \
        >>"$log" 2>&1 || status=$?
}
if [ $# -gt 0 ]; then
    paths=$(printf '%s|' "$@")
    tidy_pass "${paths%|}"
else
    # The program's and the fuzz targets' sources get every check. The tests
    # and benchmarks get all but the static analyzer, which takes most of a
    # minute per GoogleTest file and reads `for (auto _ : state)` as a dead
    # store.
    tidy_pass "src|fuzz"
    tidy_pass "tests|bench" "-checks=-clang-analyzer-*"
fi

# Only the findings, without the progress lines and the count of warnings
# suppressed in system headers.
grep -E '(warning|error):' "$log" | sort -u || true
if [ "$status" -ne 0 ] || grep -qE '(warning|error):' "$log"; then
    echo "clang-tidy: findings above" >&2
    exit 1
fi
echo "clang-tidy: no findings."
