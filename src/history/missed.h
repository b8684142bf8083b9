// The tasks of minutes that no tick examined (the computer slept, the clock
// jumped, or the tick fell further behind than it catches up).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "history/record.h"
#include "history/week.h"

namespace orvanel::history {

constexpr std::int64_t kMissedLookBackMinutes = std::int64_t{7} * 1440;
constexpr std::size_t kMaxMissedRecords = 1000;

// One `missed` line for every task line whose minute lies in the civil
// minutes `first` to `last` (inclusive), in time order and, within a minute,
// in day-list order. Only the last kMissedLookBackMinutes of the gap are
// looked at. At most `limit` task lines are made; when more were missed,
// or the gap reached back further, one more line (day and row "-") says
// so. An empty or reversed range gives nothing.
std::vector<HistoryLine> MissedRecords(std::int64_t first, std::int64_t last,
                                       const DayListReader& dayLists,
                                       std::size_t limit = kMaxMissedRecords);

} // namespace orvanel::history
