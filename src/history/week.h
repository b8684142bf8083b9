// The saved week as the history reads it: the seven day lists and the time
// of day of each task line.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvanel::history {

// The day list of a day, 0 Monday to 6 Sunday (for instance the store's
// DayList). The reference is used only until the next call.
using DayListReader = std::function<const std::vector<std::string>&(int day)>;

// The minute of the day (0 to 1439) at which a task line is due: Hour and
// Min. read as integer texts, 0 to 23 and 0 to 59. None for a line that is
// never due (malformed or out of range); such a line is not a task here.
std::optional<int> TaskMinuteOfDay(std::string_view line);

// Whether a line's Hour or Min. is malformed (not an integer text, empty
// included). The tick stops at such a line at every minute of its weekday,
// so no line below it ever runs until it is mended.
bool StopsTheTick(std::string_view line);

// The day list (0 Monday to 6 Sunday) of a civil day number (days since
// 1970-01-01, a Thursday).
int DayOfCivilDay(long long civilDay);

} // namespace orvanel::history
