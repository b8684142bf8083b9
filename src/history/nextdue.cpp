#include "history/nextdue.h"

#include <array>
#include <cstdio>
#include <utility>

#include "history/encoding.h"
#include "history/isotime.h"

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
        for (std::size_t i = 0; i < list.size(); ++i) {
            const TaskFields fields = SplitTaskLine(list[i]);
            TaskTime time = ReadTaskTime(fields);
            if (!time.error.empty()) {
                break; // the tick never gets past a malformed line: nothing below it is next
            }
            const std::optional<int> ofDay = time.MinuteOfDay();
            const std::int64_t due = civilDay * kMinutesPerDay + ofDay.value_or(0);
            if (!ofDay || due <= current || due > current + 7 * kMinutesPerDay ||
                (best && best->due <= due)) {
                continue;
            }
            best = NextTask{due, day, MakeTaskLine(fields, std::move(time), i + 1)};
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
    const TaskLine& task = next->task;
    char time[16];
    std::snprintf(time, sizeof time, "%02d:%02d", task.time.hour, task.time.minute);
    return std::string(kWeekdayNames.at(static_cast<std::size_t>(next->day))) + " " + time + ", " +
           FieldText(task.exeName) + ", \"" + FieldText(task.windowTitle) + "\"";
}

} // namespace orvanel::history
