// The milliseconds of the system's monotonic clock, as GetTickCount counts
// them: from the system's start, wrapping round after 49.7 days.
#pragma once

#include <cstdint>
#include <ctime>

namespace orvanel::posix {

inline std::uint32_t TickCount() {
    struct timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000 +
                                      static_cast<std::uint64_t>(now.tv_nsec) / 1'000'000);
}

} // namespace orvanel::posix
