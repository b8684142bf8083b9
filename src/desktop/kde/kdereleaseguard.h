// Starting the KDE backend's release guard (desktop/posix/releaseguard.h).
#pragma once

#include "desktop/posix/releaseguard.h"

namespace orvanel::kde {

void StartReleaseGuard(posix::GuardLink& link);

} // namespace orvanel::kde
