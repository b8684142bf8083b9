// A task: one task line read once into its fields. The minute tick, the
// runner, "Run now", the next task and the history all work on this value;
// only the store keeps task lines as text (taskline.h).
//
// Every field is read as ExtractField reads it: from the first 255
// characters of the line, up to a NUL, cut at "|". A line with fewer than
// five fields has empty ones; fields after the Script are ignored.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvanel {

// The five fields of a task line as parts of the line itself, for readers
// that look at many lines and keep few (the tick, the next task).
using TaskFields = std::array<std::string_view, 5>;
TaskFields SplitTaskLine(std::string_view line);

// The Hour and Min. of a task line, read as TextToInt reads them.
struct TaskTime {
    std::int32_t hour = 0;
    std::int32_t minute = 0;
    // "'<text>' is not a valid integer value" for a malformed Hour, else for
    // a malformed Min.; empty when both are integer texts.
    std::string error;
    bool badHour = false; // the error is the Hour's

    // Whether the task is due at `hour`:`minute`: both read, Hour 0 to 23 and
    // Min. 0 to 59, and equal to them.
    bool DueAt(int atHour, int atMinute) const;
    // The minute of the day (0 to 1439) the task is due at; none for a
    // malformed or out-of-range Hour or Min.
    std::optional<int> MinuteOfDay() const;

    friend bool operator==(const TaskTime&, const TaskTime&) = default;
};
TaskTime ReadTaskTime(const TaskFields& fields);

// The EXE name split for the shell: the directory part is everything up to
// and including the last "\" or ":" (empty when there is neither); the file
// part is the rest. A "/" does not divide.
struct ExeNameParts {
    std::string directory;
    std::string file;

    friend bool operator==(const ExeNameParts&, const ExeNameParts&) = default;
};
ExeNameParts SplitExeName(std::string_view exeName);

struct TaskLine {
    // The line number in its day list, from 1; 0 for a line of no list.
    std::size_t row = 0;
    std::string exeName; // as written, directory part included
    ExeNameParts exe;    // the same, split for the shell
    std::string windowTitle;
    TaskTime time;
    std::string script;

    friend bool operator==(const TaskLine&, const TaskLine&) = default;
};

// The task of `line`, line number `row` of its day list.
TaskLine ParseTaskLine(std::string_view line, std::size_t row = 0);
// The same from a line split already (SplitTaskLine) and its time read.
TaskLine MakeTaskLine(const TaskFields& fields, TaskTime time, std::size_t row);

} // namespace orvanel
