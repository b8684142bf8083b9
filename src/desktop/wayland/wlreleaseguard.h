// Starting the Wayland backend's release guard (desktop/posix/releaseguard.h).
#pragma once

#include "desktop/posix/releaseguard.h"

namespace orvanel::wl {

void StartReleaseGuard(posix::GuardLink& link);

} // namespace orvanel::wl
