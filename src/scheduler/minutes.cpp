#include "scheduler/minutes.h"

namespace orvanel {

namespace {

constexpr std::int64_t kMinutesPerDay = std::int64_t{24} * 60;

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

} // namespace

std::int64_t CivilMinute(int year, int month, int day, int hour, int minute) {
    return DaysFromCivil(year, month, day) * kMinutesPerDay + std::int64_t{hour} * 60 + minute;
}

std::int64_t CivilMinute(const SystemTime& time) {
    return CivilMinute(time.year, time.month, time.day, time.hour, time.minute);
}

LocalMinute DecodeCivilMinute(std::int64_t number) {
    const std::int64_t days = FloorDiv(number, kMinutesPerDay);
    const std::int64_t ofDay = number - days * kMinutesPerDay;
    LocalMinute result;
    result.number = number;
    // 1970-01-01 was a Thursday (weekday number 5).
    result.weekday = static_cast<int>(days - FloorDiv(days + 4, 7) * 7 + 4) + 1;
    result.hour = static_cast<int>(ofDay / 60);
    result.minute = static_cast<int>(ofDay % 60);
    return result;
}

int DayListIndex(int weekday) {
    return (weekday + 5) % 7;
}

std::vector<std::int64_t> MinutesToExamine(std::int64_t lastExamined, std::int64_t current) {
    const std::int64_t gap = current - lastExamined;
    std::vector<std::int64_t> minutes;
    if (gap >= 1 && gap <= kMaxCatchUpMinutes) {
        for (std::int64_t m = lastExamined + 1; m <= current; ++m) {
            minutes.push_back(m);
        }
    } else if (gap > kMaxCatchUpMinutes || gap < -kClockCorrectionMinutes) {
        minutes.push_back(current);
    }
    return minutes;
}

} // namespace orvanel
