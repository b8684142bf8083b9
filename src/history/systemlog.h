// The system log: every run record, without the script, also goes to the
// platform's log, so that log collectors carry it off the machine. On POSIX
// systems that is syslog(3) with the identity "orvanel"; on Windows the
// Application event log with the source "Orvanel".
#pragma once

#include <memory>
#include <string>

#include "history/record.h"

namespace orvanel::history {

enum class Severity { Info, Warning, Error };

// typed and started: Info; skipped and missed: Warning; error: Error.
Severity SeverityOf(Outcome outcome);

// The record as one line of UTF-8 words, e.g. "typed: Mon row 3, due
// 2026-12-08T07:05+01:00, started 2026-12-08T07:05:03+01:00, EXE name
// "C:\Tools\app.exe", Window Title "Untitled - Editor": 3 steps".
std::string SystemLogMessage(const HistoryLine& line);

class SystemLog {
public:
    virtual ~SystemLog() = default;
    // Sends one message; never throws, and a log that cannot be reached
    // loses the message without a word.
    virtual void Send(Severity severity, const std::string& message) noexcept = 0;

    void Send(const HistoryLine& line) noexcept;
};

// The platform's log (posix/platformlog.cpp, win32/platformlog.cpp).
std::unique_ptr<SystemLog> MakePlatformSystemLog();

} // namespace orvanel::history
