// Local minutes: which clock minutes a tick examines.
//
// A local minute is numbered by the date and time of day that the local clock
// shows, counted in minutes from 1970-01-01 00:00 of that calendar, with no
// regard to the UTC offset. When summer time begins, the numbers jump forward
// by 60 (02:00 does not exist); when it ends, the clock shows 02:00 to 02:59
// a second time and the numbers go back by 60, so remembering the last
// examined number is enough to examine each clock minute once.
#pragma once

#include <cstdint>
#include <vector>

#include "desktop/desktop.h"

namespace orvanel {

// The largest gap, in minutes, that a tick closes by examining every minute
// in it. A larger forward jump examines only the current minute.
constexpr std::int64_t kMaxCatchUpMinutes = 5;
// A backward jump larger than this many minutes is a clock correction: the
// tick starts afresh from the current minute. A smaller one waits until the
// clock passes the last examined minute again.
constexpr std::int64_t kClockCorrectionMinutes = 180;

// The number of a local date and time of day (month 1 to 12, day 1 to 31).
std::int64_t CivilMinute(int year, int month, int day, int hour, int minute);
// The number of the minute that a clock reading falls in (seconds dropped).
std::int64_t CivilMinute(const SystemTime& time);

// One local minute, decoded from its number.
struct LocalMinute {
    std::int64_t number = 0;
    int weekday = 5; // 1 Sunday to 7 Saturday
    int hour = 0;    // 0 to 23
    int minute = 0;  // 0 to 59

    friend bool operator==(const LocalMinute&, const LocalMinute&) = default;
};
LocalMinute DecodeCivilMinute(std::int64_t number);

// The day list of a weekday number: 1 Sunday gives 6, 2 Monday gives 0, ...,
// 7 Saturday gives 5 (day lists are counted from Monday).
int DayListIndex(int weekday);

// The minutes a tick examines, in order, when `lastExamined` is the last
// minute examined and the clock now shows `current`:
// - the same minute: none;
// - 1 to kMaxCatchUpMinutes later: every minute after lastExamined up to current;
// - further ahead: current only;
// - back by at most kClockCorrectionMinutes: none (the clock has to pass
//   lastExamined again first);
// - back by more: current only (a fresh start).
std::vector<std::int64_t> MinutesToExamine(std::int64_t lastExamined, std::int64_t current);

} // namespace orvanel
