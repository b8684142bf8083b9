// The history file's lines: what happened to one task line at one minute.
//
// A line is UTF-8, eight fields separated by TAB, ended by CR LF:
//   due  started  day  row  outcome  EXE name  Window Title  detail
// due is "2026-12-08T07:05+01:00" or "now" (run by hand); started is
// "2026-12-08T07:05:00+01:00" or "-" (did not run); day is Mon to Sun, or
// "-"; row counts from 1 in that day list, or "-". A TAB, CR, LF or NUL
// inside a field is written as a blank. A task's script is never written:
// it may hold passwords, and the record has no field for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "schedule/task.h"

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

// One line of the history file, its fields as UTF-8 texts in the order of
// the line. Written for every run, missed minute and malformed line; read
// back for the History page.
struct HistoryLine {
    std::string due = "now";   // "2026-12-08T07:05+01:00", or "now" for a run by hand
    std::string started = "-"; // "2026-12-08T07:05:03+01:00", or "-" when it did not run
    std::string day = "-";
    std::string row = "-";
    Outcome outcome = Outcome::Typed;
    std::string exeName;
    std::string windowTitle;
    std::string detail;

    friend bool operator==(const HistoryLine&, const HistoryLine&) = default;
};

// The line about `task` of day list `day`: due at the civil minute `due`
// (scheduler/minutes.h; none: run by hand, "now"), not started, with the
// task's row, EXE name and Window Title and `detail` (texts in code page
// 1252, as the day files hold them). Never the script.
HistoryLine TaskHistoryLine(std::optional<std::int64_t> due, int day, const TaskLine& task,
                            Outcome outcome, std::string_view detail);

// The `error` line of `task` of day list `day`, whose Hour or Min. is not a
// valid integer. A line that does not read as a task may be part of a script
// (a password, say) cut off its own line, so of its fields only the EXE name
// is recorded; the detail names the field that failed, not its text.
HistoryLine ErrorHistoryLine(std::int64_t due, int day, const TaskLine& task);

// A line about no task in particular (day and row "-").
HistoryLine NoteHistoryLine(std::int64_t due, Outcome outcome, std::string_view detail);

// The line as the history file holds it, CR LF included.
std::string FormatHistoryLine(const HistoryLine& line);

// The line of a text without its line end; none when the text does not have
// eight fields or its outcome is unknown.
std::optional<HistoryLine> ParseHistoryLine(std::string_view text);

// Field `index` (0 due ... 7 detail, the order of the line), as the History
// table shows it; the detail for any larger index.
std::string_view HistoryField(const HistoryLine& line, std::size_t index);

} // namespace orvanel::history
