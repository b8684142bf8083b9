// The system clock read as local time: days before 1970, time zones, and a
// leap second, which no minute may hold as second 60.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "desktop/localtime.h"
#include "support/timezone.h"

namespace orvanel {
namespace {

SystemTime Time(int y, int mo, int wd, int d, int h, int mi, int s, int ms) {
    return SystemTime{y, mo, wd, d, h, mi, s, ms};
}

TEST(LocalTimeTest, EpochMillisecondsReadAsLocalTime) {
    struct Case {
        const char* zone;
        std::int64_t epochMs;
        SystemTime expected;
    };
    const Case cases[] = {
        {"UTC0", 0, Time(1970, 1, 4, 1, 0, 0, 0, 0)},
        {"UTC0", -1, Time(1969, 12, 3, 31, 23, 59, 59, 999)},
        {"UTC0", 1767596400123, Time(2026, 1, 1, 5, 7, 0, 0, 123)},
        {"CET-1CEST,M3.5.0,M10.5.0/3", 1767596400123, Time(2026, 1, 1, 5, 8, 0, 0, 123)},
        // A zone that counts leap seconds: 2016-12-31 23:59:60, then 00:00:00.
        {"right/UTC", 1483228826500, Time(2016, 12, 6, 31, 23, 59, 59, 500)},
        {"right/UTC", 1483228827000, Time(2017, 1, 0, 1, 0, 0, 0, 0)},
    };
    for (const Case& c : cases) {
#ifdef _WIN32
        if (std::string(c.zone) != "UTC0" || c.epochMs < 0) {
            continue; // the C library knows no zone rules, nor times before 1970
        }
#endif
        if (std::string(c.zone).rfind("right/", 0) == 0 &&
            !std::filesystem::exists(std::string("/usr/share/zoneinfo/") + c.zone)) {
            continue; // no leap-second zone on this system
        }
        test::ScopedTimeZone zone(c.zone);
        EXPECT_EQ(LocalTimeFromEpoch(c.epochMs), c.expected) << c.zone << " " << c.epochMs;
    }
}

} // namespace
} // namespace orvanel
