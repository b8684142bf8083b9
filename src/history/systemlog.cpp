#include "history/systemlog.h"

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

std::string SystemLogMessage(const HistoryLine& line) {
    std::string text = OutcomeName(line.outcome);
    text += ": " + line.day;
    if (line.row != "-") {
        text += " row " + line.row;
    }
    text += ", due " + line.due;
    if (line.started != "-") {
        text += ", started " + line.started;
    }
    text += ", EXE name \"" + line.exeName + "\", Window Title \"" + line.windowTitle + "\"";
    if (!line.detail.empty()) {
        text += ": " + line.detail;
    }
    return text;
}

void SystemLog::Send(const HistoryLine& line) noexcept {
    try {
        Send(SeverityOf(line.outcome), SystemLogMessage(line));
    } catch (...) {
        // Out of memory: the system log goes without this record.
    }
}

} // namespace orvanel::history
