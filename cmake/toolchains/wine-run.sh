#!/usr/bin/env bash
# Runs a Windows program under Wine: the emulator of the cross-built tests.
# WINEPREFIX and DISPLAY come from the caller (tests/win32/run-wine-tests.sh
# sets up both); Wine's own messages are off unless WINEDEBUG says otherwise.
set -euo pipefail
export WINEDEBUG="${WINEDEBUG:--all}"
exec wine "$@"
