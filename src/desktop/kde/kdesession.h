// What the KDE backend asks on the session bus: whether the screen is locked
// (org.freedesktop.ScreenSaver, which KWin's lock screen answers) and which
// of the user's layouts is active (org.kde.keyboard, which KWin offers when
// there are several). Every question is bounded; no answer means "not
// locked" and "the first layout".
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "desktop/dbus/bus.h"

namespace orvanel::kde {

class KdeSession {
public:
    explicit KdeSession(dbus::Bus& bus) : bus_(bus) {}

    // Whether the screen saver or the lock screen is on.
    bool ScreenLocked();

    // The index of the active layout (0 when there is only one, or no answer).
    std::uint32_t ActiveLayout();
    // Calls `changed` with the new index whenever the user switches layouts
    // (inside the bus's Dispatch or Wait).
    void WatchLayout(std::function<void(std::uint32_t)> changed);

private:
    dbus::Bus& bus_;
    std::unique_ptr<dbus::Subscription> layoutWatch_;
};

} // namespace orvanel::kde
