// The run history of the scheduler: every task run, every malformed Hour or
// Min. and every missed minute of the tick goes to the recorder.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "history/recorder.h"
#include "history/week.h"
#include "scheduler/scheduler.h"

namespace orvanel::history {

class TickHistory {
public:
    // `recorder` must outlive this object. `savedWeek` reads the saved day
    // lists, for the tasks of missed minutes.
    TickHistory(HistoryRecorder& recorder, DayListReader savedWeek);

    // Points the scheduler's onRun, onLineError and onMissed here. The
    // scheduler must not call them after this object is gone.
    void Attach(Scheduler& scheduler);

    // A task run (by the tick or by hand): `typed` or `started`.
    void Ran(const TaskRun& run);
    // A malformed Hour or Min.: `error`, once per line and weekday until the
    // line changes; and `skipped` for every task below it that was due.
    void LineFailed(const LineError& error);
    // Minutes that no tick examined: one `missed` record per saved task.
    void Missed(std::int64_t first, std::int64_t last);

    // Called with a message for the status line when the history cannot be
    // written ("Cannot write file history.log: ..."): once when writing
    // begins to fail, and again only after a record has been written since.
    std::function<void(const std::string&)> onStatus;

private:
    void Status(const std::optional<std::string>& message) const;

    HistoryRecorder& recorder_;
    DayListReader savedWeek_;
};

} // namespace orvanel::history
