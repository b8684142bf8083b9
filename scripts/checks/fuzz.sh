#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a bounded time, starting from
# a copy of its seed corpus in fuzz/corpus/<target>/ (the repository's corpus
# is not changed). Any crash, failed check, sanitizer finding, time-out of
# one input or memory overrun fails the script; libFuzzer leaves the input
# that did it as crash-*/timeout-*/oom-* in the artifact directory printed at
# the end. The targets run JOBS at a time (2), each on a core of its own.
# scripts/checks/sanitizers.sh builds the targets into its sanitizer build
# and runs them with --no-build.
#
#   scripts/checks/fuzz.sh                 # every target, 60 s each
#   FUZZ_SECONDS=600 scripts/checks/fuzz.sh keyscript
#   scripts/checks/fuzz.sh --build-only
#   BUILD=build/asan scripts/checks/fuzz.sh --no-build
set -euo pipefail
cd "$(dirname "$0")/../.."

build=${BUILD:-build/fuzz}
seconds=${FUZZ_SECONDS:-60}
jobs=${JOBS:-2}
build_only=0
no_build=0
targets=()
for arg in "$@"; do
    case "$arg" in
    --build-only) build_only=1 ;;
    --no-build) no_build=1 ;;
    *) targets+=("$arg") ;;
    esac
done
if [ ${#targets[@]} -eq 0 ]; then
    for source in fuzz/*.cpp; do
        targets+=("$(basename "$source" .cpp)")
    done
fi

if [ "$no_build" -eq 0 ]; then
    CC=${CC:-clang} CXX=${CXX:-clang++} cmake -S . -B "$build" -G Ninja \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANEL_WERROR=ON -DORVANEL_FUZZ=ON \
        -DORVANEL_BUILD_UI=OFF -DORVANEL_BUILD_X11=OFF -DORVANEL_BUILD_TESTS=OFF \
        -DORVANEL_BUILD_BENCH=OFF
    cmake --build "$build" -j "$jobs" --target "${targets[@]/#/fuzz_}"
fi
[ "$build_only" -eq 1 ] && exit 0

# Scratch space: the corpus copies, the store target's files (on tmpfs when
# there is one, so that its many small writes are cheap) and the artifacts.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/orvanel-fuzz.XXXXXX")
files_dir=$(mktemp -d "$([ -d /dev/shm ] && [ -w /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")/orvanel-fuzz-files.XXXXXX")
artifacts="$build/artifacts"
mkdir -p "$artifacts"
cleanup() { rm -rf "$scratch" "$files_dir"; }
trap cleanup EXIT

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# Runs one target; its output goes to $scratch/<target>.log, and
# $scratch/<target>.failed marks a finding.
fuzz_one() {
    local target=$1 corpus="$scratch/$1"
    mkdir -p "$corpus"
    cp fuzz/corpus/"$target"/* "$corpus"/
    {
        echo "== fuzz_$target: ${seconds}s from $(ls "$corpus" | wc -l) seeds"
        if TMPDIR="$files_dir" "$build/fuzz/fuzz_$target" -max_total_time="$seconds" \
            -timeout=10 -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1 \
            -artifact_prefix="$artifacts/${target}-" "$corpus" >"$scratch/$target.out" 2>&1; then
            grep -E '^(Done|stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb))' \
                "$scratch/$target.out" || true
        else
            tail -n 60 "$scratch/$target.out"
            touch "$scratch/$target.failed"
        fi
    } >"$scratch/$target.log"
}

running=0
for target in "${targets[@]}"; do
    if [ "$running" -ge "$jobs" ]; then
        wait -n || true
        running=$((running - 1))
    fi
    fuzz_one "$target" &
    running=$((running + 1))
done
wait

failed=()
for target in "${targets[@]}"; do
    cat "$scratch/$target.log"
    [ -e "$scratch/$target.failed" ] && failed+=("$target")
done

if [ ${#failed[@]} -ne 0 ]; then
    echo "FAILED: ${failed[*]} (inputs in $artifacts)" >&2
    exit 1
fi
echo "All fuzz targets ran ${seconds}s each without a finding."
