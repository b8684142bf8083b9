// The days of the General page's month calendar: 7 columns, Sunday in
// column 0, and 6 week rows under the row of weekday names. The first of the
// month lies in the first week row under its weekday; cells before the
// first and after the last day of the month are empty. Every view draws the
// same grid.
#pragma once

#include <array>

#include "desktop/desktop.h"

namespace orvanel {

struct MonthGrid {
    static constexpr int kColumns = 7;
    static constexpr int kWeeks = 6;
    // Day numbers by week row and column; 0 for an empty cell.
    std::array<std::array<int, kColumns>, kWeeks> days{};
    // The cell of the given date.
    int week = 0;
    int column = 0;
};

// The month of `date`, with its day marked.
MonthGrid MakeMonthGrid(const SystemTime& date);

} // namespace orvanel
