#include "scheduler/minutes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "scheduler_fixture.h"

namespace orvanel {
namespace {

TEST(CivilMinute, CountsLocalMinutesFrom1970) {
    EXPECT_EQ(CivilMinute(1970, 1, 1, 0, 0), 0);
    EXPECT_EQ(CivilMinute(1970, 1, 1, 7, 5), 425);
    EXPECT_EQ(CivilMinute(1970, 1, 2, 0, 0), 1440);
    EXPECT_EQ(CivilMinute(1969, 12, 31, 23, 59), -1);
    // 2026-01-05 07:00 is 1767596400 seconds after the epoch.
    EXPECT_EQ(CivilMinute(2026, 1, 5, 7, 0), 1767596400 / 60);
    // Across a leap day and a year end, one minute apart.
    EXPECT_EQ(CivilMinute(2028, 3, 1, 0, 0) - CivilMinute(2028, 2, 29, 23, 59), 1);
    EXPECT_EQ(CivilMinute(2027, 1, 1, 0, 0) - CivilMinute(2026, 12, 31, 23, 59), 1);
}

TEST(CivilMinute, ReadsTheClockWithoutSeconds) {
    SystemTime time;
    time.year = 2026;
    time.month = 10;
    time.day = 25;
    time.hour = 2;
    time.minute = 30;
    time.second = 59;
    time.milliseconds = 999;
    EXPECT_EQ(CivilMinute(time), CivilMinute(2026, 10, 25, 2, 30));
}

TEST(DecodeCivilMinute, GivesWeekdayHourAndMinute) {
    struct Case {
        int year, month, day, hour, minute;
        int weekday;
    };
    const Case cases[] = {
        {1970, 1, 1, 0, 0, 5},     // Thursday
        {2026, 1, 4, 12, 0, 1},    // Sunday
        {2026, 1, 5, 23, 59, 2},   // Monday
        {2026, 1, 6, 0, 0, 3},     // Tuesday
        {2026, 1, 10, 13, 7, 7},   // Saturday
        {2026, 10, 25, 2, 30, 1},  // Sunday
        {1969, 12, 31, 23, 59, 4}, // Wednesday, before 1970
        {2000, 2, 29, 6, 6, 3},    // Tuesday
    };
    for (const Case& c : cases) {
        const std::int64_t number = CivilMinute(c.year, c.month, c.day, c.hour, c.minute);
        const LocalMinute decoded = DecodeCivilMinute(number);
        EXPECT_EQ(decoded.number, number);
        EXPECT_EQ(decoded.weekday, c.weekday) << c.year << "-" << c.month << "-" << c.day;
        EXPECT_EQ(decoded.hour, c.hour);
        EXPECT_EQ(decoded.minute, c.minute);
    }
}

TEST(DayListIndex, MapsWeekdayNumbersToListsCountedFromMonday) {
    const int expected[8] = {-1, 6, 0, 1, 2, 3, 4, 5};
    for (int weekday = 1; weekday <= 7; ++weekday) {
        EXPECT_EQ(DayListIndex(weekday), expected[weekday]) << weekday;
    }
}

TEST(MinutesToExamine, FollowsTheClock) {
    const std::int64_t last = 1000;
    struct Case {
        std::int64_t current;
        std::vector<std::int64_t> minutes;
    };
    const Case cases[] = {
        {1000, {}},                             // a second tick in the same minute
        {1001, {1001}},                         // the next minute
        {1002, {1001, 1002}},                   // a late tick
        {1005, {1001, 1002, 1003, 1004, 1005}}, // five minutes: all caught up
        {1006, {1006}},                         // a larger jump: the current one only
        {1120, {1120}},                         // two hours forward
        {999, {}},                              // back a minute
        {990, {}},                              // back ten minutes
        {1000 - 180, {}},                       // back three hours: wait
        {1000 - 181, {1000 - 181}},             // back more than three hours: afresh
        {1000 - 1440, {1000 - 1440}},           // back a day
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MinutesToExamine(last, c.current), c.minutes) << c.current;
    }
}

} // namespace
} // namespace orvanel
