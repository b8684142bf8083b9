#include "desktop/kde/kdesession.h"

namespace orvanel::kde {

namespace {

constexpr std::chrono::milliseconds kAnswerWait{500};
constexpr const char* kLayouts = "org.kde.keyboard";
constexpr const char* kLayoutsPath = "/Layouts";
constexpr const char* kLayoutsInterface = "org.kde.KeyboardLayouts";

} // namespace

bool KdeSession::ScreenLocked() {
    std::string error;
    const dbus::Message reply =
        bus_.CallMethod("org.freedesktop.ScreenSaver", "/ScreenSaver",
                        "org.freedesktop.ScreenSaver", "GetActive", kAnswerWait, error);
    int active = 0;
    return reply && sd_bus_message_read(reply.get(), "b", &active) > 0 && active != 0;
}

std::uint32_t KdeSession::ActiveLayout() {
    if (bus_.NameOwner(kLayouts, kAnswerWait).empty()) {
        return 0; // one layout only: KWin offers no switching
    }
    std::string error;
    const dbus::Message reply =
        bus_.CallMethod(kLayouts, kLayoutsPath, kLayoutsInterface, "getLayout", kAnswerWait, error);
    std::uint32_t index = 0;
    return reply && sd_bus_message_read(reply.get(), "u", &index) > 0 ? index : 0;
}

void KdeSession::WatchLayout(std::function<void(std::uint32_t)> changed) {
    std::string error;
    layoutWatch_ = bus_.MatchSignal(
        nullptr, kLayoutsPath, kLayoutsInterface, "layoutChanged",
        [changed = std::move(changed)](sd_bus_message* m) {
            std::uint32_t index = 0;
            if (sd_bus_message_read(m, "u", &index) > 0) {
                changed(index);
            }
            return 0;
        },
        error);
}

} // namespace orvanel::kde
