// The scheduler: the minute tick and the hidden "Test" button, on top of the
// task runner.
//
// The tick remembers the last local minute it examined and examines every
// minute after it up to the current one, each with its own weekday, hour and
// minute (see MinutesToExamine), so that a due task runs once: not twice when
// two ticks fall in one minute or the clock goes back a little or shows the
// last hour of summer time again, and not never when a tick comes late or a
// task runs past the next minute.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "desktop/desktop.h"
#include "keys/keyoutput.h"
#include "schedule/error.h"
#include "schedule/store.h"
#include "scheduler/minutes.h"
#include "scheduler/runner.h"

namespace orvanel {

// The day list of a day, 0 Monday to 6 Sunday. The reference is used only
// until the scheduler calls out again (it copies what it keeps).
using DayListSource = std::function<const std::vector<std::string>&(int day)>;
// The script delay text.
using ScriptDelaySource = std::function<std::string()>;

// A line that is due in a minute: its index in the day list (from 0) and its
// text, cut to 255 characters.
struct DueLine {
    std::size_t index = 0;
    std::string line;
};

// What one minute finds in a day list.
struct DayListScan {
    // The due lines in list order.
    std::vector<DueLine> due;
    // The message of the first malformed Hour or Min., and the index of its
    // line. The lines after it do not run; those of them that would have been
    // due are in notRun.
    std::optional<std::string> error;
    std::size_t errorIndex = 0;
    std::vector<DueLine> notRun;
};

// One task line run, by the tick or by hand, for the run history.
struct TaskRun {
    std::optional<std::int64_t> due; // the local minute it was due; none: run by hand
    int day = 0;                     // day list, 0 Monday to 6 Sunday
    std::size_t index = 0;           // line index in that list, from 0
    std::string line;                // as run, cut to 255 characters
    RunResult result;
};

// A malformed Hour or Min. that ended the examination of a minute.
struct LineError {
    std::int64_t minute = 0;
    int day = 0;
    std::size_t index = 0;
    std::string line; // cut to 255 characters
    std::string message;
    std::vector<DueLine> notRun; // due lines after it, which did not run
};

// Examines every line of `list` against the hour and minute of one minute:
// Hour, then Min., read by TextToInt; a line is due when 0 <= Hour <= 23 and
// 0 <= Min. <= 59 equal `hour` and `minute`. A malformed Hour or Min. gives
// the error: no line after it is due; those that would have been are listed
// as not run.
DayListScan ScanDayList(const std::vector<std::string>& list, int hour, int minute);

class Scheduler {
public:
    // Reads the store's day lists and its script delay, never writes them.
    // Before the store has its lists (and after it has released them) every
    // day list reads as empty.
    Scheduler(KeyOutput& keys, const ScheduleStore& store, WindowHandle owner = kNoWindow);
    Scheduler(KeyOutput& keys, DayListSource dayLists, ScriptDelaySource scriptDelay,
              WindowHandle owner = kNoWindow);

    // The main window, handed to the shell as the owner of started programs.
    void SetOwner(WindowHandle owner) { owner_ = owner; }

    // Marks the current local minute as examined: nothing due in the minute
    // in which the program starts is run.
    void Start();

    // One tick of the minute timer. Reads the clock (keys.desktop's
    // GetLocalTime) and examines the minutes that MinutesToExamine gives, in
    // order; for each minute, the due lines of its weekday's list run in list
    // order. A minute counts as examined before its tasks run. Each minute is
    // checked against the clock as it comes up: one that began more than
    // kMaxCatchUpMinutes ago (the tasks before it ran long) is passed over
    // and reported to onMissed. When the tasks have taken the clock into a
    // later minute, the tick reads the clock once more and handles the minutes
    // that came meanwhile in the same way; then it returns, and the next tick
    // carries on from the last minute examined. Without Start(), the first
    // tick examines the current minute. A Tick called while a Tick is running
    // (from inside a task run), or during a RunNow, returns at once.
    //
    // A malformed Hour or Min. ends the examination of its minute (its later
    // lines do not run, see onLineError); the later minutes of the tick are still
    // examined, and at the end the tick throws one Error with every distinct
    // message (see ErrorList), "'<text>' is not a valid integer value". An
    // Error thrown while a task runs is reported the same way; the other due
    // lines still run.
    void Tick();

    // Performs one task line with the current script delay (see runner.h).
    RunResult RunTask(std::string_view line);

    // Runs line `index` of day list `day` (its text `line`, as the grid shows
    // it) at once, exactly as a due task runs, and reports it to onRun with
    // no due minute. Nothing runs, and none is returned, while a tick or
    // another run by hand is in progress (a desktop whose waits let window
    // events through): two scripts must never type into each other.
    std::optional<RunResult> RunNow(int day, std::size_t index, std::string_view line);

    // Whether a tick or a run by hand is in progress.
    bool Busy() const { return busy_; }

    // The hidden "Test" button: the first line of the Tuesday list, cut to 255
    // characters, to RunTask; Error "List index out of bounds" when the
    // Tuesday list is empty.
    void TestFirstTuesdayLine();

    // The last minute examined or passed over (see onMissed), if any.
    std::optional<std::int64_t> LastExamined() const { return lastExamined_; }

    // Called for every minute examined, before its lines are looked at.
    std::function<void(const LocalMinute&)> onExamine;

    // Called with the first and last number (inclusive, see minutes.h) of
    // minutes that a tick passed over without examining them, so that their
    // tasks did not run: the minutes skipped by a forward jump of the clock
    // beyond kMaxCatchUpMinutes, and minutes that came up more than
    // kMaxCatchUpMinutes after they began. Neighbouring minutes of one tick
    // come as one range, before the next minute is examined. A backward jump
    // misses nothing. The missed minutes count as examined.
    std::function<void(std::int64_t first, std::int64_t last)> onMissed;

    // Called as every task run (tick, RunNow and Test) begins, with the line
    // and whether the stop key is watched for it, and after it with what the
    // run did. A task held back by a locked screen does not begin.
    std::function<void(std::string_view line, bool stopKeyWatched)> onRunStart;
    std::function<void(const RunResult&)> onRunEnd;
    // Called after every task run of a tick and every RunNow.
    std::function<void(const TaskRun&)> onRun;
    // Called for every malformed Hour or Min. that ends a minute's
    // examination, at every minute it does so (before the tick throws).
    std::function<void(const LineError&)> onLineError;
    // These hooks only report: whatever they throw is dropped, so
    // that keeping the history can never stop a task or the tick.

private:
    // Examines one minute; keeps the messages of the errors that arose.
    void Examine(std::int64_t number, ErrorList& errors);
    void ReportRun(const TaskRun& run) const;
    void ReportLineError(const LineError& error) const;

    KeyOutput& keys_;
    DayListSource dayLists_;
    ScriptDelaySource scriptDelay_;
    WindowHandle owner_;
    std::optional<std::int64_t> lastExamined_;
    bool busy_ = false;
};

} // namespace orvanel
