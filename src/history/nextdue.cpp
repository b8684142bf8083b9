#include "history/nextdue.h"

#include <array>
#include <cstdio>

#include "history/encoding.h"
#include "history/isotime.h"
#include "history/record.h"

namespace orvanel::history {

namespace {

constexpr std::int64_t kMinutesPerDay = 1440;
constexpr std::array<const char*, 7> kWeekdayNames = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                                      "Friday", "Saturday", "Sunday"};

} // namespace

std::optional<NextTask> NextTaskDue(const SystemTime& now, const DayListReader& dayLists) {
    const std::int64_t today = DaysFromCivil({now.year, now.month, now.day});
    const std::int64_t current = today * kMinutesPerDay + std::int64_t{now.hour} * 60 + now.minute;
    std::optional<NextTask> best;
    // Today after now, the six days after, and today's minutes up to now a week later.
    for (std::int64_t civilDay = today; civilDay <= today + 7; ++civilDay) {
        const int day = DayOfCivilDay(civilDay);
        const std::vector<std::string>& list = dayLists(day);
        // The tick never gets past a malformed line: nothing below it is next.
        for (std::size_t i = 0; i < list.size() && !StopsTheTick(list[i]); ++i) {
            const std::optional<int> ofDay = TaskMinuteOfDay(list[i]);
            const std::int64_t due = civilDay * kMinutesPerDay + ofDay.value_or(0);
            if (!ofDay || due <= current || due > current + 7 * kMinutesPerDay ||
                (best && best->due <= due)) {
                continue;
            }
            const RunRecord fields = RecordForLine(day, i, list[i], Outcome::Typed);
            best = NextTask{
                due, day, i + 1, *ofDay / 60, *ofDay % 60, fields.exeName, fields.windowTitle};
        }
        if (best) {
            return best; // a later day cannot be earlier
        }
    }
    return best;
}

std::string DescribeNextTask(const std::optional<NextTask>& next) {
    if (!next) {
        return "No task is scheduled";
    }
    char time[16];
    std::snprintf(time, sizeof time, "%02d:%02d", next->hour, next->minute);
    return std::string(kWeekdayNames.at(static_cast<std::size_t>(next->day))) + " " + time + ", " +
           FieldText(next->exeName) + ", \"" + FieldText(next->windowTitle) + "\"";
}

} // namespace orvanel::history
