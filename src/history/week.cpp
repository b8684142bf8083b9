#include "history/week.h"

namespace orvanel::history {

int DayOfCivilDay(long long civilDay) {
    // 1970-01-01 was a Thursday, day list 3.
    const long long day = (civilDay + 3) % 7;
    return static_cast<int>(day < 0 ? day + 7 : day);
}

} // namespace orvanel::history
