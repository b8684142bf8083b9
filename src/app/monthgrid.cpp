#include "app/monthgrid.h"

#include <cstdint>

#include "history/isotime.h"

namespace orvanel {

MonthGrid MakeMonthGrid(const SystemTime& date) {
    const std::int64_t first = history::DaysFromCivil({date.year, date.month, 1});
    const std::int64_t next = date.month == 12
                                  ? history::DaysFromCivil({date.year + 1, 1, 1})
                                  : history::DaysFromCivil({date.year, date.month + 1, 1});
    // 1970-01-01, day 0, was a Thursday.
    const auto firstWeekday = static_cast<int>(((first + 4) % 7 + 7) % 7); // 0 Sunday
    const auto lastDay = static_cast<int>(next - first);
    MonthGrid grid;
    for (int day = 1; day <= lastDay; ++day) {
        const int cell = firstWeekday + day - 1;
        const int week = cell / MonthGrid::kColumns;
        const int column = cell % MonthGrid::kColumns;
        grid.days.at(static_cast<std::size_t>(week)).at(static_cast<std::size_t>(column)) = day;
        if (day == date.day) {
            grid.week = week;
            grid.column = column;
        }
    }
    return grid;
}

} // namespace orvanel
