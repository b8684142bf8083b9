#include "history/systemlog.h"

#include "history/encoding.h"
#include "history/isotime.h"

namespace orvanel::history {

Severity SeverityOf(Outcome outcome) {
    switch (outcome) {
    case Outcome::Typed:
    case Outcome::Started:
        return Severity::Info;
    case Outcome::Skipped:
    case Outcome::Missed:
        return Severity::Warning;
    case Outcome::Error:
        break;
    }
    return Severity::Error;
}

std::string SystemLogMessage(const RunRecord& record) {
    std::string text = OutcomeName(record.outcome);
    text += ": ";
    text += DayName(record.day);
    if (record.row > 0) {
        text += " row " + std::to_string(record.row);
    }
    text += ", due " + (record.due ? FormatDueMinute(*record.due) : std::string("now"));
    if (record.started) {
        text += ", started " + FormatStarted(*record.started);
    }
    text += ", EXE name \"" + FieldText(record.exeName) + "\", Window Title \"" +
            FieldText(record.windowTitle) + "\"";
    if (!record.detail.empty()) {
        text += ": " + FieldText(record.detail);
    }
    return text;
}

void SystemLog::Send(const RunRecord& record) noexcept {
    try {
        Send(SeverityOf(record.outcome), SystemLogMessage(record));
    } catch (...) {
        // Out of memory: the system log goes without this record.
    }
}

} // namespace orvanel::history
