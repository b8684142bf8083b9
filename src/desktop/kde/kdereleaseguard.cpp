// The KDE side of the release guard (see desktop/posix/releaseguard.h): once
// the program has ended, the guard releases what it left down through fake
// input of its own. KWin keeps one keyboard state for all devices, so the
// guard's releases lift keys the program's device pressed; a KWin that
// releases a gone device's keys itself ignores them.
#include "desktop/kde/kdereleaseguard.h"

#include <memory>

#include "desktop/kde/kwinconnection.h"

namespace orvanel::kde {

namespace {

constexpr const char* kGuardKind = "kde";

void* OpenGuardConnection() {
    std::unique_ptr<Connection> connection = Connection::Connect();
    if (!connection || connection->fakeInput == nullptr) {
        return nullptr;
    }
    return connection.release();
}

void ReleaseLeftKeys(void* context, const posix::KeyPage& page) {
    std::unique_ptr<Connection> connection(static_cast<Connection*>(context));
    FakeKeys keys(*connection);
    for (std::uint32_t kc = 8; kc < 256; ++kc) {
        if (page.pressed[kc].load() != 0) {
            keys.Key(kc, false);
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

} // namespace orvanel::kde
