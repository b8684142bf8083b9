#!/usr/bin/env bash
# Installs what is missing, builds Orvanel with every test, and runs them all:
# the tests of every layer (those that need X start their own Xvfb), the
# sanitizer build with the fuzz targets, the static checks, then the Windows
# build and its tests under Wine, and last the packages: the Debian package is
# installed on this machine and removed again (run as root), the Windows
# installer is tried under Wine. Ends with a table of the time each stage
# took (also when a stage fails), so that growth is seen when it happens.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

# ---- the stage table ----
stage_rows=()
stage_running=
# The CPU time (user + system) of the finished child processes so far, in s,
# into cpu_now. `times` runs in this shell: in a subshell it would count the
# subshell's children only.
stage_times_file=$(mktemp)
cpu_now=0
cpu_seconds() {
    times >"$stage_times_file"
    cpu_now=$(tail -n 1 "$stage_times_file" |
        awk '{ for (i = 1; i <= 2; i++) { split($i, p, "m"); s += p[1] * 60 + p[2] } }
             END { printf "%d", s }')
}
clock() { printf '%d:%02d' $(($1 / 60)) $(($1 % 60)); }
# Runs one stage: stage NAME COMMAND...
stage() {
    local name=$1 start=$SECONDS cpu
    shift
    stage_running=$name
    echo "== $name"
    cpu_seconds
    cpu=$cpu_now
    "$@"
    cpu_seconds
    stage_rows+=("$name|$((SECONDS - start))|$((cpu_now - cpu))")
    stage_running=
}
stage_table() {
    local row name wall cpu total=0 total_cpu=0
    echo
    echo "== Stage times (wall clock; CPU: user + system time of all its processes)"
    printf '%-40s %8s %8s\n' stage wall CPU
    for row in "${stage_rows[@]}"; do
        IFS='|' read -r name wall cpu <<<"$row"
        printf '%-40s %8s %8s\n' "$name" "$(clock "$wall")" "$(clock "$cpu")"
        total=$((total + wall))
        total_cpu=$((total_cpu + cpu))
    done
    [ -n "$stage_running" ] && printf '%-40s %8s\n' "$stage_running" "FAILED"
    printf '%-40s %8s %8s\n' total "$(clock "$SECONDS")" "$(clock "$total_cpu")"
}

# ---- the stages ----
build=build/test
build_and_test() {
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANEL_WERROR=ON
    cmake --build "$build"
}

# Tests that mostly wait (little CPU) run in the background beside a stage
# that keeps both cores busy, each in a process group of its own; their
# result is taken in by a stage of their own afterwards.
#   the minute-timer tests (label "minute": one to two minutes of real time
#   waiting for the program's own timer) beside the other tests and the
#   sanitizer build; the Windows tests under Wine beside clang-tidy.
declare -A background_pids=()
start_background() { # start_background NAME COMMAND...
    local name=$1
    shift
    setsid "$@" >"$build/$name.log" 2>&1 &
    background_pids[$name]=$!
}
wait_background() { # wait_background NAME
    local name=$1 status=0
    wait "${background_pids[$name]}" || status=$?
    unset "background_pids[$name]"
    cat "$build/$name.log"
    return "$status"
}
stop_background() {
    local name
    for name in "${!background_pids[@]}"; do
        kill -- "-${background_pids[$name]}" 2>/dev/null || true
        wait "${background_pids[$name]}" 2>/dev/null || true
    done
}
trap 'stop_background; stage_table; rm -f "$stage_times_file"' EXIT

stage "Install what is missing" orvanel_install_missing "${ORVANEL_TEST_PACKAGES[@]}"
stage "Build" build_and_test
start_background minute-tests ctest --test-dir "$build" --output-on-failure -j2 -L minute
stage "Tests" ctest --test-dir "$build" --output-on-failure -j2 -LE minute
stage "Sanitizers and fuzz targets" env FUZZ_SECONDS="${FUZZ_SECONDS:-20}" \
    bash scripts/checks/sanitizers.sh
stage "Minute-timer tests (in the background)" wait_background minute-tests
stage "Windows builds" bash tests/win32/run-wine-tests.sh --build-only
start_background wine-tests bash tests/win32/run-wine-tests.sh --no-build
stage "Static checks (clang-tidy)" bash scripts/checks/tidy.sh
stage "Wine tests (in the background)" wait_background wine-tests
stage "Packages" bash tests/package/run-package-tests.sh
