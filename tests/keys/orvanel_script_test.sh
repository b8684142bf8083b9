#!/usr/bin/env bash
# The orvanel-script command: its preview output, exit codes and usage errors.
# Usage: orvanel_script_test.sh PATH-TO-orvanel-script
set -u
tool=$1
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# expect_output EXPECTED-STDOUT ARGS...: exit 0 and exactly this output.
expect_output() {
    local expected=$1
    shift
    local actual
    actual=$("$tool" "$@" 2>/dev/null)
    local rc=$?
    [ "$rc" -eq 0 ] || fail "orvanel-script $* exited $rc"
    [ "$actual" == "$expected" ] || fail "orvanel-script $*: got
$actual
expected
$expected"
}

# expect_exit CODE ARGS...: that exit code, nothing on stdout, a message on stderr.
expect_exit() {
    local code=$1
    shift
    local out err rc
    err=$(env -u DISPLAY "$tool" "$@" 2>&1 >/dev/null)
    out=$(env -u DISPLAY "$tool" "$@" 2>/dev/null)
    rc=$?
    [ "$rc" -eq "$code" ] || fail "orvanel-script $* exited $rc, expected $code"
    [ -n "$err" ] || fail "orvanel-script $* printed nothing on stderr"
    [ -z "$out" ] || fail "orvanel-script $* printed on stdout: $out"
    if [ "$code" -eq 2 ]; then
        [[ "$err" == *"usage: orvanel-script"* ]] || fail "orvanel-script $*: no usage line: $err"
    fi
    # A script may hold a password: no message repeats one.
    [[ "$err" != *secret* ]] || fail "orvanel-script $*: a message repeats the script: $err"
}

expect_output "down 73 23
up 73 23
down 84 20
up 84 20
down 222 40
up 222 40
down 83 31
up 83 31
down 32 57
up 32 57
down 9 15
up 9 15
sleep 0" "it's {TAB}"

expect_output "down 16 42
down 222 40
up 222 40
up 16 42
sleep 0" '"'

expect_output "down 65 30
up 65 30
sleep 250
down 17 29
down 66 48
up 66 48
up 17 29
sleep 250" --delay 250 'a;^b'

expect_output "sleep 100
sleep 100" --delay x ';'
expect_output "sleep 0" --delay=-5 ''"{SLEEP 0}"
expect_output "sleep 2000
sleep 7" --delay 7 '{SLEEP 2}'
expect_output "" ''
expect_output "" --delay 500 ''
# UTF-8 from the command line means the code page 1252 character: "é" has
# no key on the US layout and no scan code for its OEM form.
expect_output "down 255 255
up 255 255
sleep 0" 'é'
expect_output "down 189 12
up 189 12
sleep 0" -- -

# "--" ends the options, also before a script that reads like one.
expect_output "down 189 12
up 189 12
down 72 35
up 72 35
sleep 0" --delay 0 -- -h
expect_output "down 189 12
up 189 12
down 189 12
up 189 12
sleep 0" -- --

expect_exit 2
expect_exit 2 a secret
expect_exit 2 --delay
expect_exit 2 --bogus a
expect_exit 2 '--secret{ENTER}'
expect_exit 2 -secret
expect_exit 2 --help=secret
expect_exit 2 -- a secret
expect_exit 2 --countdown x --type a
# Typing with no display (or without X11 support) fails plainly.
expect_exit 1 --type --countdown 0 a

for option in --help -h; do
    help=$("$tool" $option)
    [ $? -eq 0 ] || fail "$option did not exit 0"
    [[ "$help" == "usage: orvanel-script"* ]] || fail "$option printed no usage: $help"
done

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)" >&2
    exit 1
fi
echo "orvanel-script: all checks passed"
