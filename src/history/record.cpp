#include "history/record.h"

#include <array>

#include "history/encoding.h"
#include "history/isotime.h"

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

HistoryLine TaskHistoryLine(std::optional<std::int64_t> due, int day, const TaskLine& task,
                            Outcome outcome, std::string_view detail) {
    HistoryLine line;
    if (due) {
        line.due = FormatDueMinute(*due);
    }
    line.day = DayName(day);
    line.row = task.row > 0 ? std::to_string(task.row) : "-";
    line.outcome = outcome;
    line.exeName = FieldText(task.exeName);
    line.windowTitle = FieldText(task.windowTitle);
    line.detail = FieldText(detail);
    return line;
}

HistoryLine ErrorHistoryLine(std::int64_t due, int day, const TaskLine& task) {
    TaskLine exeOnly;
    exeOnly.row = task.row;
    exeOnly.exeName = task.exeName;
    return TaskHistoryLine(due, day, exeOnly, Outcome::Error,
                           std::string(task.time.badHour ? "Hour" : "Min.") +
                               " is not a valid integer value");
}

HistoryLine NoteHistoryLine(std::int64_t due, Outcome outcome, std::string_view detail) {
    HistoryLine line;
    line.due = FormatDueMinute(due);
    line.outcome = outcome;
    line.detail = FieldText(detail);
    return line;
}

std::string FormatHistoryLine(const HistoryLine& line) {
    std::string text;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (i > 0) {
            text += '\t';
        }
        // The fields are UTF-8 already; nothing in them may end the field.
        for (const char c : HistoryField(line, i)) {
            text += c == '\t' || c == '\r' || c == '\n' || c == '\0' ? ' ' : c;
        }
    }
    text += "\r\n";
    return text;
}

std::optional<HistoryLine> ParseHistoryLine(std::string_view text) {
    std::array<std::string_view, kFieldCount> fields{};
    std::size_t count = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = text.find('\t', start);
        if (count == kFieldCount) {
            return std::nullopt; // more than eight fields
        }
        fields.at(count++) = text.substr(start, tab == std::string_view::npos ? tab : tab - start);
        if (tab == std::string_view::npos) {
            break;
        }
        start = tab + 1;
    }
    const std::optional<Outcome> outcome = OutcomeFromName(fields[4]);
    if (count != kFieldCount || !outcome) {
        return std::nullopt;
    }
    return HistoryLine{std::string(fields[0]),
                       std::string(fields[1]),
                       std::string(fields[2]),
                       std::string(fields[3]),
                       *outcome,
                       std::string(fields[5]),
                       std::string(fields[6]),
                       std::string(fields[7])};
}

std::string_view HistoryField(const HistoryLine& line, std::size_t index) {
    switch (index) {
    case 0:
        return line.due;
    case 1:
        return line.started;
    case 2:
        return line.day;
    case 3:
        return line.row;
    case 4:
        return OutcomeName(line.outcome);
    case 5:
        return line.exeName;
    case 6:
        return line.windowTitle;
    default:
        return line.detail;
    }
}

} // namespace orvanel::history
