// Local times in ISO 8601 form with their UTC offset, as the history writes
// them: "2026-12-08T07:05+01:00" for the minute a task was due and
// "2026-12-08T07:05:00+01:00" for the moment a run began.
//
// Minutes are civil minute numbers (scheduler/minutes.h): the local date and
// time of day counted in minutes from 1970-01-01 00:00, whatever the offset.
// The offset is worked out from the process's time zone (TZ), so it is the
// one that the local clock had at that date and time.
#pragma once

#include <cstdint>
#include <string>

#include "desktop/desktop.h"

namespace orvanel::history {

struct CivilDate {
    int year = 1970;
    int month = 1; // 1 to 12
    int day = 1;   // 1 to 31
};

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and back.
std::int64_t DaysFromCivil(const CivilDate& date);
CivilDate CivilFromDays(std::int64_t days);

// The offset of local time from UTC, in minutes east of Greenwich, at a local
// date and time (0 when the C library cannot place the time).
int UtcOffsetMinutes(const CivilDate& date, int hour, int minute, int second);

// "+01:00", "-05:30", "+00:00".
std::string FormatUtcOffset(int minutes);

// "2026-12-08T07:05+01:00" for a civil minute number.
std::string FormatDueMinute(std::int64_t civilMinute);

// "2026-12-08T07:05:00+01:00" for a local clock reading.
std::string FormatStarted(const SystemTime& time);

} // namespace orvanel::history
