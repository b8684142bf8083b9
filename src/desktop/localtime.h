// The local date and time of a moment on the system clock, as the desktop
// backends give it from GetLocalTime.
#pragma once

#include <cstdint>

#include "desktop/desktop.h"

namespace orvanel {

// The local time (in the process's time zone) of `epochMilliseconds`
// milliseconds after 1970-01-01 00:00:00 UTC; earlier moments are negative.
// A leap second (23:59:60 in a zone that counts them) reads as second 59.
SystemTime LocalTimeFromEpoch(std::int64_t epochMilliseconds);

} // namespace orvanel
