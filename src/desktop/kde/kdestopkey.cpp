#include "desktop/kde/kdestopkey.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "desktop/desktop.h"

namespace orvanel::kde {

namespace {

constexpr std::chrono::milliseconds kAnswerWait{1000};
constexpr const char* kService = "org.kde.kglobalaccel";
constexpr const char* kPath = "/kglobalaccel";
constexpr const char* kInterface = "org.kde.KGlobalAccel";
constexpr const char* kComponent = "orvanel";
constexpr const char* kAction = "stop";

// The combination in Qt's terms: Ctrl+Alt+Shift and the key.
constexpr std::int32_t kQtShift = 0x02000000;
constexpr std::int32_t kQtControl = 0x04000000;
constexpr std::int32_t kQtAlt = 0x08000000;
constexpr std::int32_t kStopKeyCode = kQtShift | kQtControl | kQtAlt | kStopKeyVirtualKey;
// kglobalaccel's flags: the action is present, and the keys given are used
// rather than what its configuration remembers.
constexpr std::uint32_t kSetPresent = 2;
constexpr std::uint32_t kNoAutoloading = 4;

// Appends the action's id: component, action and their names for people.
int AppendActionId(sd_bus_message* m) {
    return sd_bus_message_append(m, "as", 4, kComponent, kAction, "Orvanel",
                                 "Stop the running task");
}

// Appends a list of one key sequence, or of none.
int AppendKeys(sd_bus_message* m, bool any) {
    int r = sd_bus_message_open_container(m, 'a', "(ai)");
    if (r >= 0 && any) {
        const std::int32_t keys[4] = {kStopKeyCode, 0, 0, 0};
        r = sd_bus_message_open_container(m, 'r', "ai");
        r = r < 0 ? r : sd_bus_message_append_array(m, 'i', keys, sizeof keys);
        r = r < 0 ? r : sd_bus_message_close_container(m);
    }
    return r < 0 ? r : sd_bus_message_close_container(m);
}

// Whether a list of key sequences (a(ai)) holds the stop key.
bool HoldsStopKey(sd_bus_message* m) {
    bool found = false;
    if (sd_bus_message_enter_container(m, 'a', "(ai)") <= 0) {
        return false;
    }
    while (sd_bus_message_enter_container(m, 'r', "ai") > 0) {
        const void* data = nullptr;
        std::size_t size = 0;
        if (sd_bus_message_read_array(m, 'i', &data, &size) >= 0 && size >= sizeof(std::int32_t)) {
            std::int32_t first = 0;
            std::memcpy(&first, data, sizeof first);
            found = found || first == kStopKeyCode;
        }
        sd_bus_message_exit_container(m);
    }
    sd_bus_message_exit_container(m);
    return found;
}

} // namespace

KdeStopKey::~KdeStopKey() {
    if (registered_) {
        std::string error;
        bus_.CallMethod(kService, kPath, kInterface, "unregister", kAnswerWait, error, "ss",
                        kComponent, kAction);
    }
}

bool KdeStopKey::SetKeys(bool active) {
    std::string error;
    dbus::Message call = bus_.NewCall(kService, kPath, kInterface, "setShortcutKeys", error);
    if (!call || AppendActionId(call.get()) < 0 || AppendKeys(call.get(), active) < 0 ||
        sd_bus_message_append(call.get(), "u", kSetPresent | kNoAutoloading) < 0) {
        return false;
    }
    const dbus::Message reply = bus_.Call(call, kAnswerWait, error);
    return reply && (!active || HoldsStopKey(reply.get()));
}

bool KdeStopKey::Start() {
    pressed_ = false;
    std::string error;
    if (!registered_) {
        dbus::Message call = bus_.NewCall(kService, kPath, kInterface, "doRegister", error);
        if (!call || AppendActionId(call.get()) < 0 || !bus_.Call(call, kAnswerWait, error)) {
            return false;
        }
        registered_ = true;
    }
    if (!pressWatch_) {
        const dbus::Message reply = bus_.CallMethod(kService, kPath, kInterface, "getComponent",
                                                    kAnswerWait, error, "s", kComponent);
        const char* path = nullptr;
        if (!reply || sd_bus_message_read(reply.get(), "o", &path) <= 0) {
            return false;
        }
        pressWatch_ = bus_.MatchSignal(
            kService, path, "org.kde.kglobalaccel.Component", "globalShortcutPressed",
            [this](sd_bus_message* m) {
                const char* component = "";
                const char* action = "";
                if (sd_bus_message_read(m, "ss", &component, &action) > 0 &&
                    std::strcmp(component, kComponent) == 0 && std::strcmp(action, kAction) == 0) {
                    pressed_ = true;
                }
                return 0;
            },
            error);
    }
    bus_.Dispatch();
    pressed_ = false;
    return pressWatch_ != nullptr && SetKeys(true);
}

bool KdeStopKey::Pressed() {
    bus_.Dispatch();
    return pressed_;
}

void KdeStopKey::End() {
    if (registered_) {
        std::string error;
        dbus::Message call = bus_.NewCall(kService, kPath, kInterface, "setInactive", error);
        if (call && AppendActionId(call.get()) >= 0) {
            bus_.Call(call, kAnswerWait, error);
        }
    }
    pressed_ = false;
}

} // namespace orvanel::kde
