#!/usr/bin/env bash
# The launcher of the applications menu: which data folder it chooses, how it
# creates it, the manual it puts there, and that the program runs in it.
# Usage: launcher_test.sh PATH-TO-orvanel-launch
set -u
launcher=$(realpath "$1")
tmp=$(mktemp -d "${TMPDIR:-/tmp}/orvanel-launcher-test.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# A program that records the folder it runs in.
program=$tmp/program
printf '#!/bin/sh\npwd >"%s/ran-in"\n' "$tmp" >"$program"
chmod +x "$program"
printf 'the manual\n' >"$tmp/manual.html"

# launch ENV...: runs the launcher with only these variables (and PATH).
launch() {
    rm -f "$tmp/ran-in"
    (cd "$tmp" && env -i PATH="$PATH" ORVANEL_PROGRAM="$program" \
        ORVANEL_MANUAL="$tmp/manual.html" "$@" sh "$launcher" >"$tmp/out" 2>"$tmp/err")
}

# expect_started FOLDER MODE: the program ran in FOLDER, which has MODE and the manual.
expect_started() {
    local folder=$1 mode=$2
    [ "$(cat "$tmp/ran-in" 2>/dev/null)" == "$folder" ] ||
        fail "program ran in '$(cat "$tmp/ran-in" 2>/dev/null)', expected $folder: $(cat "$tmp/err")"
    [ "$(stat -c %a "$folder" 2>/dev/null)" == "$mode" ] || fail "$folder: mode is not $mode"
    cmp -s "$tmp/manual.html" "$folder/schedule.html" || fail "$folder: no copy of the manual"
}

# expect_refused MESSAGE-PART: exit 1, the message, the program not started.
expect_refused() {
    local status=$1 part=$2
    [ "$status" -eq 1 ] || fail "exit $status, expected 1 ($part)"
    grep -q "$part" "$tmp/err" || fail "no message '$part': $(cat "$tmp/err")"
    [ ! -e "$tmp/ran-in" ] || fail "program started although refused ($part)"
}

mkdir "$tmp/home" "$tmp/home two"

# The default folder: ~/Orvanel, created private.
launch HOME="$tmp/home"
expect_started "$tmp/home/Orvanel" 700

# ORVANEL_DATA_DIR wins; missing parents are created with the usual mode.
launch HOME="$tmp/home" ORVANEL_DATA_DIR="$tmp/home two/a/week"
expect_started "$tmp/home two/a/week" 700
[ "$(stat -c %a "$tmp/home two/a")" != 700 ] || fail "parent folder made private"

# An existing folder keeps its mode, its files and a schedule.html of its own.
mkdir -m 755 "$tmp/shared"
printf 'own\n' >"$tmp/shared/schedule.html"
printf 'week\n' >"$tmp/shared/monlist.ini"
launch HOME="$tmp/home" ORVANEL_DATA_DIR="$tmp/shared"
[ "$(cat "$tmp/ran-in")" == "$tmp/shared" ] || fail "not started in the shared folder"
[ "$(stat -c %a "$tmp/shared")" == 755 ] || fail "shared folder changed its mode"
[ "$(cat "$tmp/shared/monlist.ini")" == week ] || fail "a file of the week was changed"
[ "$(cat "$tmp/shared/schedule.html")" == own ] || fail "the user's schedule.html was replaced"

# The launcher's own copy follows a new manual; a copy the user changed stays.
printf 'the new manual\n' >"$tmp/manual.html"
launch HOME="$tmp/home"
expect_started "$tmp/home/Orvanel" 700
printf 'my notes\n' >>"$tmp/home/Orvanel/schedule.html"
printf 'a newer manual\n' >"$tmp/manual.html"
launch HOME="$tmp/home"
[ "$(tail -n 1 "$tmp/home/Orvanel/schedule.html")" == "my notes" ] || fail "a changed copy was replaced"

# A symlink in the data folder is never written through.
for name in schedule.html .orvanel-manual; do
    printf 'elsewhere\n' >"$tmp/target"
    mkdir -p "$tmp/linked-$name"
    ln -s "$tmp/target" "$tmp/linked-$name/$name"
    launch HOME="$tmp/home" ORVANEL_DATA_DIR="$tmp/linked-$name"
    [ "$(cat "$tmp/target")" == elsewhere ] || fail "written through a symlink named $name"
    [ -L "$tmp/linked-$name/$name" ] || fail "the symlink $name was replaced"
done

# A manual that cannot be found does not stop the start.
rm -f "$tmp/home/Orvanel/schedule.html"
(cd "$tmp" && env -i PATH="$PATH" HOME="$tmp/home" ORVANEL_PROGRAM="$program" \
    ORVANEL_MANUAL="$tmp/none.html" sh "$launcher" >/dev/null 2>&1)
[ "$(cat "$tmp/ran-in")" == "$tmp/home/Orvanel" ] || fail "no start without a manual"

# Refusals.
launch
expect_refused $? "HOME is not set"
launch HOME="$tmp/home" ORVANEL_PROGRAM="$tmp/missing"
expect_refused $? "cannot find the program"
printf 'x\n' >"$tmp/plain-file"
launch HOME="$tmp/home" ORVANEL_DATA_DIR="$tmp/plain-file"
expect_refused $? "data folder"
launch HOME="$tmp/home" ORVANEL_DATA_DIR="$tmp/plain-file/week"
expect_refused $? "cannot create the data folder"

if [ "$failures" -ne 0 ]; then
    echo "launcher_test: $failures failure(s)" >&2
    exit 1
fi
echo "launcher_test: passed"
