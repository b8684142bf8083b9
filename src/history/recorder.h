// The run history as the scheduler and the window use it: every record goes
// to the history file and to the system log, and to whoever shows it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "history/errorlatch.h"
#include "history/missed.h"
#include "history/record.h"
#include "history/systemlog.h"
#include "history/writer.h"

namespace orvanel::history {

class HistoryRecorder {
public:
    // `writer` and `systemLog` must outlive the recorder.
    HistoryRecorder(HistoryWriter& writer, SystemLog& systemLog);

    // Writes the line to the file and the system log, then hands it to
    // onRecord. Returns the writer's message for the status line (once per
    // run of failures). Never throws.
    std::optional<std::string> Record(const HistoryLine& line) noexcept;

    // The missed tasks of the civil minutes `first` to `last` (see
    // MissedRecords), each recorded. Returns the first status message.
    std::optional<std::string> RecordMissed(std::int64_t first, std::int64_t last,
                                            const DayListReader& dayLists) noexcept;

    // The malformed Hour or Min. of `task` of day list `day` at civil minute
    // `due`: recorded the first time only, and again once the line has
    // changed (see ErrorLatch). Of the line, only its EXE name is recorded
    // (see ErrorHistoryLine).
    std::optional<std::string> RecordError(std::int64_t due, int day,
                                           const TaskLine& task) noexcept;

    // Called with every line after it was written (or failed to be).
    std::function<void(const HistoryLine&)> onRecord;

private:
    HistoryWriter& writer_;
    SystemLog& systemLog_;
    ErrorLatch errors_;
};

} // namespace orvanel::history
