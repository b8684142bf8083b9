// Sleeping for a given time on a POSIX system, carrying on after signals.
#pragma once

#include <cerrno>
#include <chrono>
#include <ctime>

namespace orvanel::posix {

// Blocks the calling thread for `duration` (nothing for zero or less); a
// signal that interrupts the sleep does not shorten it.
inline void SleepFor(std::chrono::nanoseconds duration) {
    if (duration <= std::chrono::nanoseconds::zero()) {
        return;
    }
    struct timespec t {};
    t.tv_sec = static_cast<time_t>(duration.count() / 1'000'000'000);
    t.tv_nsec = static_cast<long>(duration.count() % 1'000'000'000);
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

} // namespace orvanel::posix
