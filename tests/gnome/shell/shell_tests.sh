#!/usr/bin/env bash
# Everything that needs GNOME Shell, in one start of it (run_with_gnome.sh):
# the backend's cases, then the real program's first tick.
#
#   shell_tests.sh TEST_PROGRAM PROGRAM_TEST_SCRIPT ORVANEL WLTARGET
set -u
test_program=$1 program_test=$2 orvanel=$3 wltarget=$4
status=0
start=$SECONDS
"$test_program" || status=1
echo "backend cases: $((SECONDS - start)) s"
start=$SECONDS
bash "$program_test" gnome "$orvanel" "$wltarget" || status=1
echo "program run: $((SECONDS - start)) s"
exit $status
