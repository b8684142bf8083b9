// The history line of a task run: the outcome of the run and its detail in
// words, "window found; 3 steps, 24 key events; 1.3 s".
#pragma once

#include <cstdint>
#include <string>

#include "history/record.h"
#include "scheduler/taskrun.h"

namespace orvanel::history {

// The milliseconds from the run's start to its end by the local clock,
// summer-time changes taken into account; 0 when the clock went back.
std::int64_t RunMilliseconds(const TaskRun& run);

// "window found; 3 steps, 24 key events; 1.3 s", or "program started; ..."
// ("program started, window found; ..." when the started program's window
// was found by its title and activated); "...; 1.3 s; 2 characters not in the
// keyboard layout: é ü" when the layout could not type some.
std::string DescribeRun(const TaskRun& run);

// The line of a run: `skipped` with its reason first when the script was not
// typed to the end (see SkipText), else `typed` into a window found by its
// title, `started` when the program was started; due "now" for a run by
// hand.
HistoryLine RunHistoryLine(const TaskRun& run);

} // namespace orvanel::history
