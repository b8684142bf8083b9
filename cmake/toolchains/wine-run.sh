#!/usr/bin/env bash
# Runs a Windows program under Wine: the emulator of the cross-built tests.
# WINEPREFIX and DISPLAY come from the caller (tests/win32/run-wine-tests.sh
# sets up both); Wine's own messages are off unless WINEDEBUG says otherwise.
#
# Wine has been seen to end a test program at once, with a failing status and
# before the program wrote a single byte, and to run the same program
# cleanly right after. Such a run (a failure with no output at all) is tried
# once more, with Wine's error messages on, and says so on stderr. A program
# that wrote anything keeps its status, so a failing test still fails.
set -uo pipefail
export WINEDEBUG="${WINEDEBUG:--all}"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/wine-run.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT

# ctest takes both streams as one output, so they are passed on as one, as
# they come.
run() {
    wine "$@" 2>&1 | tee "$scratch/output"
    status=${PIPESTATUS[0]}
}

run "$@"
if [ "$status" -ne 0 ] && [ ! -s "$scratch/output" ]; then
    echo "wine-run: $1 ended with status $status before writing anything; running it again"
    WINEDEBUG=err+all run "$@"
fi
exit "$status"
