// Which integer errors have been recorded: a malformed Hour or Min. comes
// back at every minute of its weekday, and is recorded once per line and
// weekday, and again only after the line has changed.
#pragma once

#include <cstddef>
#include <map>
#include <utility>

#include "schedule/task.h"

namespace orvanel::history {

class ErrorLatch {
public:
    // Whether the error of `task` (at its row) of day list `day` is to be
    // recorded now; true the first time, and again when the task at that
    // place has changed since.
    bool ShouldRecord(int day, const TaskLine& task);

    // Forgets everything recorded (for instance when the week is reloaded by
    // hand and the user wants every error again).
    void Clear() { recorded_.clear(); }

private:
    std::map<std::pair<int, std::size_t>, TaskLine> recorded_;
};

} // namespace orvanel::history
