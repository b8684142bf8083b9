// The next task due: from the saved week and the local clock, the first task
// line due in a minute after the current one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "desktop/desktop.h"
#include "history/week.h"
#include "schedule/task.h"

namespace orvanel::history {

struct NextTask {
    std::int64_t due = 0; // civil minute number
    int day = 0;          // day list, 0 Monday to 6 Sunday
    TaskLine task;        // with its row in that list
};

// The first task due after the minute of `now`, up to the same minute a week
// later; within one minute, the first line of the list. Lines whose Hour or
// Min. is out of range are passed over; a line whose Hour or Min. is
// malformed ends its day's list, as it ends the tick. None when no line of
// the week is a task.
std::optional<NextTask> NextTaskDue(const SystemTime& now, const DayListReader& dayLists);

// "Tuesday 07:05, C:\Tools\app.exe, "Untitled - Editor"" in UTF-8, or "No
// task is scheduled".
std::string DescribeNextTask(const std::optional<NextTask>& next);

} // namespace orvanel::history
