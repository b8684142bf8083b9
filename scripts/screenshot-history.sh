#!/usr/bin/env bash
# Writes the run history shown in the README's screenshots of the History
# page to standard output: a few runs of today and of the days before, with
# the local time zone's offset, oldest first as history.log keeps them.
# Argument: linux or windows (the programs named in the records).
set -euo pipefail
if [ "${1:-linux}" = windows ]; then
    editor=notepad.exe mail='C:\Program Files\Mail\mail.exe' shell='C:\Windows\System32\cmd.exe'
    calc=calc.exe editorTitle='Untitled - Notepad' notes='notes.txt - Notepad'
else
    editor=gedit mail=/usr/bin/thunderbird shell=xterm calc=/usr/bin/xcalc
    editorTitle='Untitled Document 1 - gedit' notes='notes.txt - gedit'
fi
zone=$(date +%:z)
today=$(date +%F)
day() { date -d "$1" +%F; }
short() { LC_ALL=C date -d "$1" +%a; }
record() { printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\r\n' "$@"; }
two=$(day '2 days ago')
record "${two}T17:00$zone" - "$(short '2 days ago')" 2 missed "$editor" "$notes" \
    'the minute was not examined (computer asleep, clock jumped or tick too late)'
record "${today}T07:30$zone" "${today}T07:30:00$zone" "$(short today)" 1 typed "$editor" \
    "$editorTitle" 'window found; 3 steps, 16 key events; 0.6 s'
record "${today}T09:15$zone" "${today}T09:15:00$zone" "$(short today)" 3 started "$mail" \
    'Inbox - Mail' 'program started, window found; 2 steps, 2 key events; 5.1 s'
record "${today}T12:00$zone" - "$(short today)" 2 error "$shell" '' \
    "'12a' is not a valid integer value"
record "${today}T12:00$zone" - "$(short today)" 3 skipped "$calc" Calculator \
    "not run: row 2 above it has a malformed Hour or Min. ('12a' is not a valid integer value)"
record now "${today}T14:02:11$zone" "$(short today)" 4 typed "$calc" Calculator \
    'window found; 1 step, 10 key events; 0.2 s'
