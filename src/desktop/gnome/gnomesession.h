// A GNOME Shell session at start-up: the GNOME backend when Orvanel's
// extension answers, else what the user must do once. When the extension is
// installed but not running, Orvanel turns it on for the user (GNOME Shell's
// enabled-extensions setting); GNOME Shell on Wayland loads an extension
// installed after the log-in only at the next log-in.
#pragma once

#include <memory>
#include <string>

#include "desktop/desktop.h"

namespace orvanel::gnome {

struct GnomeOpening {
    bool gnome = false; // the session bus has GNOME Shell on it
    std::unique_ptr<DesktopServices> desktop;
    std::string why; // why there is no desktop (when gnome)
};

GnomeOpening OpenOnGnome();

} // namespace orvanel::gnome
