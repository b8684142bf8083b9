// The run history of the scheduler: every task run, every malformed Hour or
// Min. and every missed minute that the scheduler reports goes to the
// recorder.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "history/recorder.h"
#include "history/week.h"
#include "scheduler/report.h"

namespace orvanel::history {

class TickHistory : public SchedulerReport {
public:
    // `recorder` must outlive this object. `savedWeek` reads the saved day
    // lists, for the tasks of missed minutes.
    TickHistory(HistoryRecorder& recorder, DayListReader savedWeek);

    // A task run (by the tick or by hand): `typed`, `started` or `skipped`.
    // A run of the hidden Test button is not recorded.
    void RunEnded(const TaskRun& run) override;
    // A malformed Hour or Min.: `error`, once per line and weekday until the
    // line changes; and `skipped` for every task below it that was due.
    void LineFailed(const LineError& error) override;
    // Minutes that no tick examined: one `missed` line per saved task.
    void Missed(std::int64_t first, std::int64_t last) override;

    // Called with a message for the status line when the history cannot be
    // written ("Cannot write file history.log: ..."): once when writing
    // begins to fail, and again only after a line has been written since.
    std::function<void(const std::string&)> onStatus;

private:
    void Status(const std::optional<std::string>& message) const;

    HistoryRecorder& recorder_;
    DayListReader savedWeek_;
};

} // namespace orvanel::history
