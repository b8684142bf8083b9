#include "history/record.h"

#include <array>

#include "history/encoding.h"
#include "history/isotime.h"
#include "schedule/error.h"
#include "schedule/taskline.h"

namespace orvanel::history {

namespace {

constexpr std::array<const char*, 5> kOutcomeNames = {"typed", "started", "skipped", "missed",
                                                      "error"};
constexpr std::array<const char*, 7> kDayNames = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
constexpr std::size_t kFieldCount = 8;

} // namespace

const char* OutcomeName(Outcome outcome) {
    return kOutcomeNames.at(static_cast<std::size_t>(outcome));
}

std::optional<Outcome> OutcomeFromName(std::string_view name) {
    for (std::size_t i = 0; i < kOutcomeNames.size(); ++i) {
        if (name == kOutcomeNames.at(i)) {
            return static_cast<Outcome>(i);
        }
    }
    return std::nullopt;
}

const char* DayName(int day) {
    return day >= 0 && day < static_cast<int>(kDayNames.size())
               ? kDayNames.at(static_cast<std::size_t>(day))
               : "-";
}

RunRecord RecordForLine(int day, std::size_t index, std::string_view line, Outcome outcome) {
    const std::string_view cut = line.substr(0, kMaxTextLength);
    RunRecord record;
    record.day = day;
    record.row = static_cast<int>(index) + 1;
    record.outcome = outcome;
    record.exeName = ExtractField(cut, "|", 0);
    record.windowTitle = ExtractField(cut, "|", 1);
    return record;
}

RunRecord RecordForFailedLine(int day, std::size_t index, std::string_view line) {
    RunRecord record = RecordForLine(day, index, line, Outcome::Error);
    record.windowTitle.clear();
    // The tick reads the Hour first.
    const std::string_view cut = line.substr(0, kMaxTextLength);
    const char* field = "Min.";
    try {
        (void)TextToInt(ExtractField(cut, kFieldSeparator, kHourField));
    } catch (const Error&) {
        field = "Hour";
    }
    record.detail = std::string(field) + " is not a valid integer value";
    return record;
}

std::string FormatRecord(const RunRecord& record) {
    std::string line = record.due ? FormatDueMinute(*record.due) : "now";
    line += '\t';
    line += record.started ? FormatStarted(*record.started) : "-";
    line += '\t';
    line += DayName(record.day);
    line += '\t';
    line += record.row > 0 ? std::to_string(record.row) : "-";
    line += '\t';
    line += OutcomeName(record.outcome);
    for (const std::string* text : {&record.exeName, &record.windowTitle, &record.detail}) {
        line += '\t';
        line += FieldText(*text);
    }
    line += "\r\n";
    return line;
}

std::optional<HistoryEntry> ParseRecordLine(std::string_view line) {
    std::array<std::string_view, kFieldCount> fields{};
    std::size_t count = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        if (count == kFieldCount) {
            return std::nullopt; // more than eight fields
        }
        fields.at(count++) = line.substr(start, tab == std::string_view::npos ? tab : tab - start);
        if (tab == std::string_view::npos) {
            break;
        }
        start = tab + 1;
    }
    const std::optional<Outcome> outcome = OutcomeFromName(fields[4]);
    if (count != kFieldCount || !outcome) {
        return std::nullopt;
    }
    return HistoryEntry{std::string(fields[0]),
                        std::string(fields[1]),
                        std::string(fields[2]),
                        std::string(fields[3]),
                        *outcome,
                        std::string(fields[5]),
                        std::string(fields[6]),
                        std::string(fields[7])};
}

std::string_view EntryField(const HistoryEntry& entry, std::size_t index) {
    switch (index) {
    case 0:
        return entry.due;
    case 1:
        return entry.started;
    case 2:
        return entry.day;
    case 3:
        return entry.row;
    case 4:
        return OutcomeName(entry.outcome);
    case 5:
        return entry.exeName;
    case 6:
        return entry.windowTitle;
    default:
        return entry.detail;
    }
}

} // namespace orvanel::history
