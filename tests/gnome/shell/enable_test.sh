#!/usr/bin/env bash
# A GNOME session without Orvanel's extension (run_with_gnome.sh --later):
# Orvanel says what is missing, and once the extension is installed it turns
# it on for the next log-in and says so; it goes on with X11 meanwhile.
#
#   enable_test.sh ORVANEL_SCRIPT
set -u
script=$1
fail() { echo "FAIL: $*" >&2; exit 1; }
notice() { "$script" --type --countdown 0 "" 2>&1 >/dev/null | grep 'Only windows of X11'; }

said=$(notice) || fail "no notice without the extension"
[[ $said == *"not installed"* ]] || fail "the notice does not say it is not installed: $said"

mkdir -p "$ORVANEL_GNOME_EXTENSION_TARGET"
cp "$ORVANEL_GNOME_EXTENSION/metadata.json" "$ORVANEL_GNOME_EXTENSION/extension.js" \
    "$ORVANEL_GNOME_EXTENSION_TARGET/"
said=$(notice) || fail "no notice with the extension installed after the log-in"
[[ $said == *"log out and in again"* ]] || fail "the notice does not say to log in again: $said"
gsettings get org.gnome.shell enabled-extensions | grep -q orvanel@orvanel.example ||
    fail "the extension was not turned on: $(gsettings get org.gnome.shell enabled-extensions)"
echo "enable: ok"
