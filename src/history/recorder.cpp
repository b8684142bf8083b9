#include "history/recorder.h"

namespace orvanel::history {

HistoryRecorder::HistoryRecorder(HistoryWriter& writer, SystemLog& systemLog)
    : writer_(writer), systemLog_(systemLog) {}

std::optional<std::string> HistoryRecorder::Record(const HistoryLine& line) noexcept {
    std::optional<std::string> message = writer_.Write(line);
    systemLog_.Send(line);
    if (onRecord) {
        try {
            onRecord(line);
        } catch (...) {
            // Showing a record must not stop the tick either.
        }
    }
    return message;
}

std::optional<std::string> HistoryRecorder::RecordMissed(std::int64_t first, std::int64_t last,
                                                         const DayListReader& dayLists) noexcept {
    std::optional<std::string> message;
    try {
        for (const HistoryLine& line : MissedRecords(first, last, dayLists)) {
            std::optional<std::string> failed = Record(line);
            if (!message) {
                message = std::move(failed);
            }
        }
    } catch (...) {
        // Out of memory (or a day list reader that threw): nothing more to record.
    }
    return message;
}

std::optional<std::string> HistoryRecorder::RecordError(std::int64_t due, int day,
                                                        const TaskLine& task) noexcept {
    try {
        if (!errors_.ShouldRecord(day, task)) {
            return std::nullopt;
        }
        return Record(ErrorHistoryLine(due, day, task));
    } catch (...) {
        return std::nullopt;
    }
}

} // namespace orvanel::history
