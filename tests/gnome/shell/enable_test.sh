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
for form in "$ORVANEL_GNOME_EXTENSION"/*/; do
    mkdir -p "$ORVANEL_GNOME_EXTENSION_TARGET/$(basename "$form")"
    cp "$form/metadata.json" "$form/extension.js" "$form/transport.js" \
        "$ORVANEL_GNOME_EXTENSION_TARGET/$(basename "$form")/"
done
said=$(notice) || fail "no notice with the extension installed after the log-in"
[[ $said == *"log out and in again"* ]] || fail "the notice does not say to log in again: $said"
# The form this shell loads is turned on, not the other.
major=$(gnome-shell --version | sed 's/[^0-9]*\([0-9]*\).*/\1/')
wanted=orvanel@orvanel.example other=orvanel45@orvanel.example
[ "$major" -ge 45 ] && { wanted=orvanel45@orvanel.example other=orvanel@orvanel.example; }
enabled=$(gsettings get org.gnome.shell enabled-extensions)
[[ $enabled == *"'$wanted'"* && $enabled != *"'$other'"* ]] ||
    fail "not $wanted alone was turned on: $enabled"
echo "enable: ok"
