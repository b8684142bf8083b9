// What the scheduler tells about its work: every minute it examines, every
// task run as it begins and as it ends, every malformed Hour or Min. that
// ends the examination of a minute, and the minutes that no tick examined.
//
// The window (the status line) and the run history implement it; the
// scheduler tells one report, and the window passes on what the history
// keeps. A report only reports: the scheduler drops whatever it throws, so
// that keeping the history can never stop a task or the tick.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "schedule/task.h"
#include "scheduler/minutes.h"
#include "scheduler/taskrun.h"

namespace orvanel {

// A malformed Hour or Min. that ended the examination of a minute.
struct LineError {
    std::int64_t minute = 0;      // the local minute examined
    int day = 0;                  // the day list, 0 Monday to 6 Sunday
    TaskLine task;                // the line, with its row; task.time.error is the message
    std::vector<TaskLine> notRun; // due lines after it, which did not run
};

class SchedulerReport {
public:
    virtual ~SchedulerReport() = default;

    // A minute is examined, before its lines are looked at.
    virtual void Examining(const LocalMinute& minute) { static_cast<void>(minute); }

    // A task run (by the tick, Run now or the Test button) begins: the task,
    // and whether the stop key is watched for it. A task held back by a
    // locked screen does not begin.
    virtual void RunBegins(const TaskLine& task, bool stopKeyWatched) {
        static_cast<void>(task);
        static_cast<void>(stopKeyWatched);
    }

    // A task run has ended (also one held back by a locked screen), with what
    // it did.
    virtual void RunEnded(const TaskRun& run) { static_cast<void>(run); }

    // A malformed Hour or Min. ended the examination of a minute; called at
    // every minute it does so, before the tick throws.
    virtual void LineFailed(const LineError& error) { static_cast<void>(error); }

    // The minutes `first` to `last` (inclusive, civil minute numbers) were
    // passed over without being examined, so their tasks did not run: the
    // minutes skipped by a forward jump of the clock beyond
    // kMaxCatchUpMinutes, and minutes that came up more than
    // kMaxCatchUpMinutes after they began. Neighbouring minutes of one tick
    // come as one range, before the next minute is examined. A backward jump
    // misses nothing.
    virtual void Missed(std::int64_t first, std::int64_t last) {
        static_cast<void>(first);
        static_cast<void>(last);
    }
};

} // namespace orvanel
