#include "history/missed.h"

#include <algorithm>
#include <string>

#include "history/isotime.h"

namespace orvanel::history {

namespace {

constexpr std::int64_t kMinutesPerDay = 1440;

std::int64_t DayOf(std::int64_t minute) {
    return minute >= 0 ? minute / kMinutesPerDay
                       : -((-minute + kMinutesPerDay - 1) / kMinutesPerDay);
}

struct Due {
    std::int64_t minute;
    int day;
    std::size_t index;
};

// Every task due in [first, last], in time order, then day-list order.
std::vector<Due> DueInRange(std::int64_t first, std::int64_t last, const DayListReader& dayLists) {
    std::vector<Due> due;
    for (std::int64_t civilDay = DayOf(first); civilDay <= DayOf(last); ++civilDay) {
        const int day = DayOfCivilDay(civilDay);
        const std::vector<std::string>& list = dayLists(day);
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::optional<int> ofDay = ReadTaskTime(SplitTaskLine(list[i])).MinuteOfDay();
            const std::int64_t minute = civilDay * kMinutesPerDay + ofDay.value_or(0);
            if (ofDay && minute >= first && minute <= last) {
                due.push_back({minute, day, i});
            }
        }
    }
    std::stable_sort(due.begin(), due.end(),
                     [](const Due& a, const Due& b) { return a.minute < b.minute; });
    return due;
}

} // namespace

std::vector<HistoryLine> MissedRecords(std::int64_t first, std::int64_t last,
                                       const DayListReader& dayLists, std::size_t limit) {
    std::vector<HistoryLine> records;
    if (first > last) {
        return records;
    }
    const std::int64_t from = std::max(first, last - kMissedLookBackMinutes + 1);
    const std::vector<Due> due = DueInRange(from, last, dayLists);
    for (std::size_t i = 0; i < due.size() && i < limit; ++i) {
        // Only the lines kept are read in full.
        const TaskLine task = ParseTaskLine(dayLists(due[i].day)[due[i].index], due[i].index + 1);
        records.push_back(TaskHistoryLine(
            due[i].minute, due[i].day, task, Outcome::Missed,
            "the minute was not examined (computer asleep, clock jumped or tick too late)"));
    }
    const std::size_t more = due.size() > limit ? due.size() - limit : 0;
    if (more == 0 && from == first) {
        return records;
    }
    std::string detail = std::to_string(more) + " more missed tasks not listed";
    if (from != first) {
        detail += "; tasks due before " + FormatDueMinute(from) +
                  " were not looked at (the gap began " + FormatDueMinute(first) + ")";
    }
    records.push_back(
        NoteHistoryLine(more > 0 ? due[limit].minute : from, Outcome::Missed, detail));
    return records;
}

} // namespace orvanel::history
