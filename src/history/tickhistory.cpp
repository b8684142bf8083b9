#include "history/tickhistory.h"

#include <string>
#include <utility>

#include "history/taskrun.h"

namespace orvanel::history {

TickHistory::TickHistory(HistoryRecorder& recorder, DayListReader savedWeek)
    : recorder_(recorder), savedWeek_(std::move(savedWeek)) {}

void TickHistory::Attach(Scheduler& scheduler) {
    scheduler.onRun = [this](const TaskRun& run) { Ran(run); };
    scheduler.onLineError = [this](const LineError& error) { LineFailed(error); };
    scheduler.onMissed = [this](std::int64_t first, std::int64_t last) { Missed(first, last); };
}

void TickHistory::Ran(const TaskRun& run) {
    std::optional<std::string> message;
    try {
        message = recorder_.Record(RecordOfRun(run));
    } catch (...) {
        // Out of memory while making the record: the run stays unrecorded.
    }
    Status(message);
}

void TickHistory::LineFailed(const LineError& error) {
    Status(recorder_.RecordError(error.minute, error.day, error.index, error.line));
    for (const DueLine& due : error.notRun) {
        std::optional<std::string> message;
        try {
            RunRecord record = RecordForLine(error.day, due.index, due.line, Outcome::Skipped);
            record.due = error.minute;
            // The failed line's text is left out: it may be a piece of a script.
            record.detail = "not run: row " + std::to_string(error.index + 1) +
                            " above it has a malformed Hour or Min.";
            message = recorder_.Record(record);
        } catch (...) {
            // Out of memory while making the record: it stays unrecorded.
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
