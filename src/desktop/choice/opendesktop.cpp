#include "desktop/choice/opendesktop.h"

#include <cstdio>

#include "desktop/x11/x11desktop.h"
#if defined(ORVANEL_HAVE_WAYLAND)
#include "desktop/wayland/waylanddesktop.h"
#endif
#if defined(ORVANEL_HAVE_GNOME)
#include "desktop/gnome/gnomesession.h"
#endif

namespace orvanel {

std::string X11OnlyNotice(const std::string& why) {
    return "Only windows of X11 programs can be reached: " + why +
           ", so native Wayland windows can be neither found nor typed into.";
}

OpenedDesktop OpenDesktop() {
    OpenedDesktop opened;
#if defined(ORVANEL_HAVE_WAYLAND)
    WaylandDesktop::Failure failure = WaylandDesktop::Failure::Opened;
    std::string why;
    if (std::unique_ptr<WaylandDesktop> wayland = WaylandDesktop::Open(why, failure)) {
        opened.desktop = std::move(wayland);
        opened.backend = "wayland";
        return opened;
    }
    if (failure == WaylandDesktop::Failure::MissingProtocols) {
        opened.notice = X11OnlyNotice(why);
#if defined(ORVANEL_HAVE_GNOME)
        gnome::GnomeOpening gnome = gnome::OpenOnGnome();
        if (gnome.desktop) {
            opened.desktop = std::move(gnome.desktop);
            opened.backend = "gnome";
            return opened;
        }
        if (gnome.gnome) {
            opened.notice = X11OnlyNotice(gnome.why);
        }
#endif
    } else if (failure == WaylandDesktop::Failure::Other) {
        opened.notice = X11OnlyNotice("the Wayland backend could not start (" + why + ")");
    }
#endif
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
