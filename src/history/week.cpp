#include "history/week.h"

#include "schedule/error.h"
#include "schedule/taskline.h"

namespace orvanel::history {

std::optional<int> TaskMinuteOfDay(std::string_view line) {
    const std::string_view cut = line.substr(0, kMaxTextLength);
    // -1 is out of range, so a malformed text and a negative one are alike.
    const std::int32_t hour = TextToIntDef(ExtractField(cut, "|", 2), -1);
    const std::int32_t minute = TextToIntDef(ExtractField(cut, "|", 3), -1);
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59) {
        return std::nullopt;
    }
    return hour * 60 + minute;
}

bool StopsTheTick(std::string_view line) {
    const std::string_view cut = line.substr(0, kMaxTextLength);
    try {
        (void)TextToInt(ExtractField(cut, "|", 2));
        (void)TextToInt(ExtractField(cut, "|", 3));
    } catch (const Error&) {
        return true;
    }
    return false;
}

int DayOfCivilDay(long long civilDay) {
    // 1970-01-01 was a Thursday, day list 3.
    const long long day = (civilDay + 3) % 7;
    return static_cast<int>(day < 0 ? day + 7 : day);
}

} // namespace orvanel::history
