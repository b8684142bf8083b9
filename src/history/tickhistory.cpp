#include "history/tickhistory.h"

#include <string>
#include <utility>

#include "history/runline.h"

namespace orvanel::history {

TickHistory::TickHistory(HistoryRecorder& recorder, DayListReader savedWeek)
    : recorder_(recorder), savedWeek_(std::move(savedWeek)) {}

void TickHistory::RunEnded(const TaskRun& run) {
    if (run.testButton) {
        return;
    }
    std::optional<std::string> message;
    try {
        message = recorder_.Record(RunHistoryLine(run));
    } catch (...) {
        // Out of memory while making the line: the run stays unrecorded.
    }
    Status(message);
}

void TickHistory::LineFailed(const LineError& error) {
    Status(recorder_.RecordError(error.minute, error.day, error.task));
    for (const TaskLine& task : error.notRun) {
        std::optional<std::string> message;
        try {
            // The failed line's text is left out: it may be a piece of a script.
            message =
                recorder_.Record(TaskHistoryLine(error.minute, error.day, task, Outcome::Skipped,
                                                 "not run: row " + std::to_string(error.task.row) +
                                                     " above it has a malformed Hour or Min."));
        } catch (...) {
            // Out of memory while making the line: it stays unrecorded.
        }
        Status(message);
    }
}

void TickHistory::Missed(std::int64_t first, std::int64_t last) {
    Status(recorder_.RecordMissed(first, last, savedWeek_));
}

void TickHistory::Status(const std::optional<std::string>& message) const {
    if (!message || !onStatus) {
        return;
    }
    try {
        onStatus(*message);
    } catch (...) {
        // The status line is only told; it cannot stop the tick.
    }
}

} // namespace orvanel::history
