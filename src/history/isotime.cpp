#include "history/isotime.h"

#include <cstdio>
#include <ctime>

namespace orvanel::history {

namespace {

constexpr std::int64_t kMinutesPerDay = 1440;

// Floor division, for minute numbers before 1970.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

std::string FormatLocal(const CivilDate& date, int hour, int minute, int second, bool withSeconds) {
    char text[48];
    if (withSeconds) {
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", date.year, date.month,
                      date.day, hour, minute, second);
    } else {
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d", date.year, date.month,
                      date.day, hour, minute);
    }
    return text + FormatUtcOffset(UtcOffsetMinutes(date, hour, minute, second));
}

} // namespace

// Howard Hinnant's days_from_civil and civil_from_days.
std::int64_t DaysFromCivil(const CivilDate& date) {
    const std::int64_t y = date.year - (date.month <= 2 ? 1 : 0);
    const std::int64_t era = FloorDiv(y, 400);
    const std::int64_t yoe = y - era * 400;
    const std::int64_t mp = (date.month + 9) % 12;
    const std::int64_t doy = (153 * mp + 2) / 5 + date.day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

CivilDate CivilFromDays(std::int64_t days) {
    const std::int64_t z = days + 719468;
    const std::int64_t era = FloorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    return {static_cast<int>(year), static_cast<int>(month), static_cast<int>(day)};
}

// mktime gives the UTC instant of the local time; the offset is how far the
// local reading, taken as if it were UTC, lies from that instant. This needs
// nothing beyond standard C (no timegm, no tm_gmtoff), so MinGW builds it too.
int UtcOffsetMinutes(const CivilDate& date, int hour, int minute, int second) {
    std::tm local{};
    local.tm_year = date.year - 1900;
    local.tm_mon = date.month - 1;
    local.tm_mday = date.day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    const std::time_t instant = std::mktime(&local);
    if (instant == static_cast<std::time_t>(-1)) {
        return 0;
    }
    // The reading taken as UTC, from the fields as given: for a time that the
    // clock skips (summer time begins) mktime moves the fields, but the
    // offset that results still names the instant mktime chose.
    const std::int64_t asUtc = DaysFromCivil(date) * 86400 + std::int64_t{hour} * 3600 +
                               std::int64_t{minute} * 60 + second;
    return static_cast<int>(FloorDiv(asUtc - static_cast<std::int64_t>(instant), 60));
}

std::string FormatUtcOffset(int minutes) {
    const char sign = minutes < 0 ? '-' : '+';
    const int magnitude = minutes < 0 ? -minutes : minutes;
    char text[16];
    std::snprintf(text, sizeof text, "%c%02d:%02d", sign, (magnitude / 60) % 100, magnitude % 60);
    return text;
}

std::string FormatDueMinute(std::int64_t civilMinute) {
    const std::int64_t days = FloorDiv(civilMinute, kMinutesPerDay);
    const auto ofDay = static_cast<int>(civilMinute - days * kMinutesPerDay);
    return FormatLocal(CivilFromDays(days), ofDay / 60, ofDay % 60, 0, false);
}

std::string FormatStarted(const SystemTime& time) {
    return FormatLocal({time.year, time.month, time.day}, time.hour, time.minute, time.second,
                       true);
}

} // namespace orvanel::history
