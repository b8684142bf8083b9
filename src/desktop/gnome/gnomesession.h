// A GNOME Shell session at start-up: the GNOME backend when Orvanel's
// extension answers, else what the user must do once. When the extension is
// installed but not running, Orvanel turns it on for the user (GNOME Shell's
// enabled-extensions setting), in the form that the running shell loads;
// GNOME Shell on Wayland loads an extension installed after the log-in only
// at the next log-in.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "desktop/desktop.h"

namespace orvanel::gnome {

struct GnomeOpening {
    bool gnome = false; // the session bus has GNOME Shell on it
    std::unique_ptr<DesktopServices> desktop;
    std::string why; // why there is no desktop (when gnome)
};

GnomeOpening OpenOnGnome();

// The folder (uuid) of the extension's form for GNOME Shell `version` (its
// ShellVersion, "43.9"): the script form up to 44, the module form from 45.
const char* ExtensionUuidFor(std::string_view version);

} // namespace orvanel::gnome
