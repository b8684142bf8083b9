// The saved week as the history reads it: the seven day lists.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace orvanel::history {

// The day list of a day, 0 Monday to 6 Sunday (for instance the store's
// DayList). The reference is used only until the next call.
using DayListReader = std::function<const std::vector<std::string>&(int day)>;

// The day list (0 Monday to 6 Sunday) of a civil day number (days since
// 1970-01-01, a Thursday).
int DayOfCivilDay(long long civilDay);

} // namespace orvanel::history
