#!/usr/bin/env bash
# Builds the Windows installer with wixl (msitools).
#
#   packaging/windows/build-msi.sh VERSION OUTPUT.msi SCRIPT-EXE MANUAL [PROGRAM-EXE]
#
# Without PROGRAM-EXE (the window program orvanel.exe) the installer holds only
# orvanel-script.exe and the manual, and no Start-menu shortcut.
set -euo pipefail
if [ $# -lt 4 ] || [ $# -gt 5 ]; then
    echo "usage: $0 VERSION OUTPUT.msi SCRIPT-EXE MANUAL [PROGRAM-EXE]" >&2
    exit 2
fi
version=$1 output=$2 script_exe=$3 manual=$4 program_exe=${5:-}
here=$(cd "$(dirname "$0")" && pwd)

for file in "$script_exe" "$manual" ${program_exe:+"$program_exe"}; do
    [ -f "$file" ] || { echo "build-msi: $file is missing" >&2; exit 1; }
done

# wixl takes the files by names relative to the folder it runs in.
stage=$(mktemp -d "${TMPDIR:-/tmp}/orvanel-msi.XXXXXX")
trap 'rm -rf "$stage"' EXIT
cp "$here/orvanel.wxs" "$stage/"
cp "$script_exe" "$stage/orvanel-script.exe"
cp "$manual" "$stage/schedule.html"
have_program=no
if [ -n "$program_exe" ]; then
    cp "$program_exe" "$stage/orvanel.exe"
    have_program=yes
fi

output_dir=$(cd "$(dirname "$output")" && pwd)
(cd "$stage" && wixl -a x64 -D Version="$version" -D HaveProgram="$have_program" \
    -D ProgramExe=orvanel.exe -D ScriptExe=orvanel-script.exe -D Manual=schedule.html \
    -o orvanel.msi orvanel.wxs)
mv "$stage/orvanel.msi" "$output_dir/$(basename "$output")"
