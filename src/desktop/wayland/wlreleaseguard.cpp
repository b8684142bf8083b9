// The Wayland side of the release guard (see desktop/posix/releaseguard.h):
// once the program has ended, the guard releases what it left down on a
// virtual keyboard of its own with the same keymap. A window that got a key
// press keeps repeating it until it sees the release.
#include <memory>
#include <string>

#include "desktop/posix/releaseguard.h"
#include "desktop/wayland/wlconnection.h"
#include "desktop/wayland/wlkeymap.h"
#include "desktop/wayland/wlreleaseguard.h"

namespace orvanel::wl {

namespace {

constexpr const char* kGuardKind = "wayland";

void* OpenGuardConnection() {
    std::unique_ptr<Connection> connection = Connection::Connect();
    if (!connection || connection->seat == nullptr || connection->keyboards == nullptr) {
        return nullptr;
    }
    return connection.release();
}

void ReleaseLeftKeys(void* context, const posix::KeyPage& page) {
    std::unique_ptr<Connection> connection(static_cast<Connection*>(context));
    std::string keymap;
    std::string error;
    ModifierMasks masks;
    if (!CompileKeymap(KeymapPlan(), keymap, masks, error)) {
        return;
    }
    VirtualKeyboard keyboard(*connection);
    if (!keyboard.Upload(keymap, error)) {
        return;
    }
    // The compositor passes a modifier state on only when it changes, and this
    // keyboard starts with none held: so the window that still thinks the
    // program's modifiers are down hears of them once and then of none.
    keyboard.Modifiers(masks.shift | masks.control | masks.alt);
    keyboard.Modifiers(0);
    connection->Roundtrip();
    for (std::uint32_t kc = 8; kc < 256; ++kc) {
        if (page.pressed[kc].load() != 0) {
            keyboard.Key(kc, false);
        }
    }
    connection->Roundtrip();
}

[[maybe_unused]] const bool gRunAsGuard = [] {
    if (posix::IsReleaseGuard(kGuardKind)) {
        posix::RunReleaseGuard(OpenGuardConnection, ReleaseLeftKeys);
    }
    return false;
}();

} // namespace

void StartReleaseGuard(posix::GuardLink& link) {
    posix::StartReleaseGuard(link, kGuardKind, {});
}

} // namespace orvanel::wl
