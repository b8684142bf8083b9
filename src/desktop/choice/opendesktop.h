// The real desktop of a Linux session, chosen when the program starts. When
// WAYLAND_DISPLAY is set, in this order: a compositor that offers the foreign
// toplevel manager and the virtual keyboard (sway and the other wlroots
// compositors) gets the Wayland backend; KWin (KDE Plasma, known by
// org.kde.KWin on the session bus) the KDE backend; GNOME Shell (mutter has
// neither protocol) the GNOME backend, when Orvanel's GNOME Shell extension
// answers under its name on the session bus. Otherwise the X11 backend drives
// the windows (on a Wayland session, through Xwayland: then only windows of
// X11 programs can be reached, and the notice says so, on GNOME with how to
// turn the extension on).
#pragma once

#include <memory>
#include <string>

#include "desktop/desktop.h"

namespace orvanel {

struct OpenedDesktop {
    std::unique_ptr<DesktopServices> desktop; // null when none could be opened
    std::string error;                        // why not, for the user
    std::string notice;                       // a limit the user should know of (empty: none)
    const char* backend = "";                 // "wayland", "kde", "gnome" or "x11"
};

// Opens the desktop. A notice is also written once to standard error.
OpenedDesktop OpenDesktop();

// The notice for a Wayland session whose compositor lacks what the Wayland
// backend needs; `why` says what it lacks.
std::string X11OnlyNotice(const std::string& why);

} // namespace orvanel
