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
    printf '%-34s %8s %8s\n' stage wall CPU
    for row in "${stage_rows[@]}"; do
        IFS='|' read -r name wall cpu <<<"$row"
        printf '%-34s %8s %8s\n' "$name" "$(clock "$wall")" "$(clock "$cpu")"
        total=$((total + wall))
        total_cpu=$((total_cpu + cpu))
    done
    [ -n "$stage_running" ] && printf '%-34s %8s\n' "$stage_running" "FAILED"
    printf '%-34s %8s %8s\n' total "$(clock "$SECONDS")" "$(clock "$total_cpu")"
}

# ---- the stages ----
# The test build is made as the Debian package is (installed under /usr,
# Debian's flags and hardening), so that the tests run the programs the
# package holds and the package stage packages this build instead of
# compiling the programs again.
build=build/test
build_and_test() {
    orvanel_debian_cmake_args
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANEL_WERROR=ON \
        "${orvanel_debian_args[@]}"
    cmake --build "$build"
}

# Jobs in the background, each in a process group of its own with its output
# in a log, which is shown when its result is taken in: the log -> its pid.
declare -A background=()
wait_background() {
    local log=$1 status=0
    wait "${background[$log]}" || status=$?
    unset 'background[$log]'
    cat "$log"
    return "$status"
}
stop_background() {
    local pid
    for pid in "${background[@]}"; do
        kill -- "-$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
}

# The tests that wait for the program's own minute timer (one to two minutes
# of real time, little CPU: label "minute") run in the background beside the
# other tests and the sanitizer build; their result is taken in after those.
minute_log=$build/minute-tests.log
start_minute_tests() {
    setsid ctest --test-dir "$build" --output-on-failure -j2 -L minute >"$minute_log" 2>&1 &
    background[$minute_log]=$!
}

# clang-tidy needs only the sources, and takes more CPU than any other stage
# (about 17 minutes of it). It runs in the background from the build on, at
# the idle scheduling class, so that it uses only the CPU that the other
# stages leave free (the tests, Wine and the packages mostly wait) and does
# not slow a stage that measures time. Its result is taken in at the end.
# It gets a process group of its own but stays in this session: Linux gives
# every session an equal share of the CPU (autogroups), which would let a
# session of clang-tidy take half of it whatever its scheduling class.
tidy_log=build/tidy-checks.log
start_static_checks() {
    local idle=(chrt --idle 0)
    "${idle[@]}" true 2>/dev/null || idle=(nice -n 19)
    mkdir -p build
    python3 -c 'import os, sys; os.setpgid(0, 0); os.execvp(sys.argv[1], sys.argv[1:])' \
        "${idle[@]}" bash scripts/checks/tidy.sh >"$tidy_log" 2>&1 &
    background[$tidy_log]=$!
}
trap 'stop_background; stage_table; rm -f "$stage_times_file"' EXIT

stage "Install what is missing" orvanel_install_missing "${ORVANEL_TEST_PACKAGES[@]}"
stage "Build" build_and_test
start_static_checks
start_minute_tests
stage "Tests" ctest --test-dir "$build" --output-on-failure -j2 -LE minute
stage "Sanitizers and fuzz targets" env FUZZ_SECONDS="${FUZZ_SECONDS:-20}" \
    bash scripts/checks/sanitizers.sh
stage "Minute-timer tests (from the tests on)" wait_background "$minute_log"
stage "Windows builds" bash tests/win32/run-wine-tests.sh --build-only
stage "Windows tests under Wine" bash tests/win32/run-wine-tests.sh --no-build
stage "Packages" env ORVANEL_PACKAGE_BUILD="$build" bash tests/package/run-package-tests.sh
stage "Static checks (clang-tidy, from the build on)" wait_background "$tidy_log"
