// One run record: what happened to one task line at one minute, and its line
// in the history file.
//
// The line is UTF-8, eight fields separated by TAB, ended by CR LF:
//   due  started  day  row  outcome  EXE name  Window Title  detail
// due is "2026-12-08T07:05+01:00" or "now" (run by hand); started is
// "2026-12-08T07:05:00+01:00" or "-" (did not run); day is Mon to Sun, or
// "-"; row counts from 1 in that day list, or "-". A TAB, CR, LF or NUL
// inside a field is written as a blank. A task's script is never written:
// it may hold passwords, and the record has no field for it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "desktop/desktop.h"

namespace orvanel::history {

enum class Outcome {
    Typed,   // the window was found by its title and the script typed
    Started, // the program was started and the script typed into the foreground window
    Skipped, // not typed; the detail says why
    Missed,  // the minute was never examined
    Error,   // the line's Hour or Min. is not a valid integer
};

// "typed", "started", "skipped", "missed", "error".
const char* OutcomeName(Outcome outcome);
std::optional<Outcome> OutcomeFromName(std::string_view name);

// "Mon" ... "Sun" for day lists 0 to 6; "-" for any other number.
const char* DayName(int day);

struct RunRecord {
    // The civil minute (scheduler/minutes.h) the task was due; none: run by hand.
    std::optional<std::int64_t> due;
    // When the run began, by the local clock; none: it did not run.
    std::optional<SystemTime> started;
    int day = -1; // day list, 0 Monday to 6 Sunday; -1 none
    int row = 0;  // line number in that day list, from 1; 0 none
    Outcome outcome = Outcome::Typed;
    // Texts of the task line and the detail, 8-bit (code page 1252) as the
    // day files hold them.
    std::string exeName;
    std::string windowTitle;
    std::string detail;
};

// A record for line `index` (from 0) of day list `day`, with the EXE name and
// Window Title of that line (cut to 255 characters, as every reader does).
RunRecord RecordForLine(int day, std::size_t index, std::string_view line, Outcome outcome);

// The `error` record of line `index` of day list `day`, whose Hour or Min.
// is not a valid integer. A line that does not read as a task may be part of
// a script (a password, say) cut off its own line, so of its fields only the
// EXE name is recorded; the detail names the field that failed, not its text.
RunRecord RecordForFailedLine(int day, std::size_t index, std::string_view line);

// The record's line in the history file, CR LF included.
std::string FormatRecord(const RunRecord& record);

// A line read back from the history file: its fields as UTF-8 texts.
struct HistoryEntry {
    std::string due;
    std::string started;
    std::string day;
    std::string row;
    Outcome outcome = Outcome::Typed;
    std::string exeName;
    std::string windowTitle;
    std::string detail;

    friend bool operator==(const HistoryEntry&, const HistoryEntry&) = default;
};

// The entry of one line (without its line end); none when the line does not
// have eight fields or its outcome is unknown.
std::optional<HistoryEntry> ParseRecordLine(std::string_view line);

// Field `index` (0 due ... 7 detail, the order of the line) of an entry, as the
// History table shows it; the detail for any larger index.
std::string_view EntryField(const HistoryEntry& entry, std::size_t index);

} // namespace orvanel::history
