#!/bin/sh
# Runs a test program as an unprivileged user, for the tests of file
# permissions, which permissions cannot show to root: run as root (as CI
# runs), it runs the program as uid and gid 65534 with a temporary directory
# of that user's own; run as anyone else, as that user. It fails when a test
# skipped itself or none ran, since such a run proves nothing.
#
#   unprivileged.sh PROGRAM [ARGUMENTS...]
set -eu
program=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
if [ "$(id -u)" -eq 0 ]; then
    chmod 755 "$work"
    mkdir "$work/tmp"
    chown 65534:65534 "$work/tmp"
    TMPDIR="$work/tmp" setpriv --reuid=65534 --regid=65534 --clear-groups \
        "$program" "$@" >"$work/log" 2>&1 || status=$?
else
    "$program" "$@" >"$work/log" 2>&1 || status=$?
fi
cat "$work/log"
if [ "$status" -ne 0 ]; then
    exit "$status"
fi
if grep -q '^\[  SKIPPED \]' "$work/log"; then
    echo "unprivileged.sh: a test skipped itself" >&2
    exit 1
fi
if ! grep -q '^\[  PASSED  \] [1-9]' "$work/log"; then
    echo "unprivileged.sh: no test ran" >&2
    exit 1
fi
