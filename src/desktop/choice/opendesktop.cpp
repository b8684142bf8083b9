#include "desktop/choice/opendesktop.h"

#include <cstdio>

#include "desktop/x11/x11desktop.h"
#if defined(ORVANEL_HAVE_WAYLAND)
#include "desktop/wayland/waylanddesktop.h"
#endif
#if defined(ORVANEL_HAVE_KDE)
#include "desktop/kde/kdedesktop.h"
#endif
#if defined(ORVANEL_HAVE_GNOME)
#include "desktop/gnome/gnomesession.h"
#endif

namespace orvanel {

namespace {

#if defined(ORVANEL_HAVE_WAYLAND)
// The compositors of wlroots (sway and its kin): true when it opened.
// Otherwise `why` says what the compositor lacks, when it is a Wayland one.
bool OpenWlroots(OpenedDesktop& opened, std::string& why) {
    WaylandDesktop::Failure failure = WaylandDesktop::Failure::Opened;
    std::string error;
    if (std::unique_ptr<WaylandDesktop> wayland = WaylandDesktop::Open(error, failure)) {
        opened.desktop = std::move(wayland);
        opened.backend = "wayland";
        return true;
    }
    if (failure == WaylandDesktop::Failure::MissingProtocols) {
        why = error;
    } else if (failure == WaylandDesktop::Failure::Other) {
        why = "the Wayland backend could not start (" + error + ")";
    }
    return false;
}
#endif

#if defined(ORVANEL_HAVE_KDE)
// KDE Plasma (KWin, known by its name on the session bus): true when it
// opened. When KWin is there but the backend could not start, `why` says so.
bool OpenKde(OpenedDesktop& opened, std::string& why) {
    KdeDesktop::Failure failure = KdeDesktop::Failure::Opened;
    std::string error;
    if (std::unique_ptr<KdeDesktop> kde = KdeDesktop::Open(error, failure, opened.notice)) {
        opened.desktop = std::move(kde);
        opened.backend = "kde";
        return true;
    }
    if (failure == KdeDesktop::Failure::MissingProtocols) {
        why = error;
    } else if (failure == KdeDesktop::Failure::Other) {
        why = "the KDE Plasma backend could not start (" + error + ")";
    }
    return false;
}
#endif

#if defined(ORVANEL_HAVE_GNOME)
// GNOME (GNOME Shell, known by its name on the session bus): true when the
// backend opened. On GNOME without Orvanel's extension running, `why` says
// what the user must do.
bool OpenGnome(OpenedDesktop& opened, std::string& why) {
    gnome::GnomeOpening gnome = gnome::OpenOnGnome();
    if (gnome.desktop) {
        opened.desktop = std::move(gnome.desktop);
        opened.backend = "gnome";
        return true;
    }
    if (gnome.gnome) {
        why = gnome.why;
    }
    return false;
}
#endif

} // namespace

std::string X11OnlyNotice(const std::string& why) {
    return "Only windows of X11 programs can be reached: " + why +
           ", so native Wayland windows can be neither found nor typed into.";
}

// KWin never offers the wlroots protocols, so it is asked for first: its name
// on the session bus costs a millisecond to look up, while every Wayland
// connection of a program that KWin grants its protocols costs KWin a check of
// the program's file (a hash of it, twice).
OpenedDesktop OpenDesktop() {
    OpenedDesktop opened;
    std::string why; // what keeps the Wayland backends out, when one is running
#if defined(ORVANEL_HAVE_KDE)
    if (OpenKde(opened, why)) {
        return opened;
    }
#endif
#if defined(ORVANEL_HAVE_WAYLAND)
    std::string wlrootsWhy;
    if (OpenWlroots(opened, wlrootsWhy)) {
        return opened;
    }
#if defined(ORVANEL_HAVE_GNOME)
    // Only a Wayland session whose compositor is neither KWin nor a wlroots
    // one is asked: GNOME on Xorg is an X11 desktop.
    if (why.empty() && !wlrootsWhy.empty() && OpenGnome(opened, why)) {
        return opened;
    }
#endif
    if (why.empty()) {
        why = wlrootsWhy;
    }
#endif
    if (!why.empty()) {
        opened.notice = X11OnlyNotice(why);
    }
    if (!opened.notice.empty()) {
        std::fprintf(stderr, "Orvanel: %s\n", opened.notice.c_str());
    }
    opened.desktop = X11Desktop::Open(nullptr, opened.error);
    opened.backend = "x11";
    if (!opened.desktop && opened.error.empty()) {
        opened.error = "no X display";
    }
    return opened;
}

} // namespace orvanel
