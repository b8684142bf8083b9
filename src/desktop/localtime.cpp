#include "desktop/localtime.h"

#include <algorithm>
#include <ctime>

namespace orvanel {

SystemTime LocalTimeFromEpoch(std::int64_t epochMilliseconds) {
    std::int64_t seconds = epochMilliseconds / 1000;
    std::int64_t milliseconds = epochMilliseconds % 1000;
    if (milliseconds < 0) {
        milliseconds += 1000;
        --seconds;
    }
    const auto clock = static_cast<std::time_t>(seconds);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &clock);
#else
    localtime_r(&clock, &local);
#endif
    SystemTime time;
    time.year = local.tm_year + 1900;
    time.month = local.tm_mon + 1;
    time.dayOfWeek = local.tm_wday;
    time.day = local.tm_mday;
    time.hour = local.tm_hour;
    time.minute = local.tm_min;
    time.second = std::min(local.tm_sec, 59);
    time.milliseconds = static_cast<int>(milliseconds);
    return time;
}

} // namespace orvanel
