#include "history/recorder.h"

namespace orvanel::history {

HistoryRecorder::HistoryRecorder(HistoryWriter& writer, SystemLog& systemLog)
    : writer_(writer), systemLog_(systemLog) {}

std::optional<std::string> HistoryRecorder::Record(const RunRecord& record) noexcept {
    std::optional<std::string> message = writer_.Write(record);
    systemLog_.Send(record);
    if (onRecord) {
        try {
            onRecord(record);
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
        for (const RunRecord& record : MissedRecords(first, last, dayLists)) {
            std::optional<std::string> failed = Record(record);
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
                                                        std::size_t index,
                                                        std::string_view line) noexcept {
    try {
        if (!errors_.ShouldRecord(day, index, line)) {
            return std::nullopt;
        }
        RunRecord record = RecordForFailedLine(day, index, line);
        record.due = due;
        return Record(record);
    } catch (...) {
        return std::nullopt;
    }
}

} // namespace orvanel::history
