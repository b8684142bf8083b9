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
#include <vector>

#include "desktop/desktop.h"
#include "keys/keyoutput.h"
#include "schedule/error.h"
#include "schedule/store.h"
#include "schedule/task.h"
#include "scheduler/minutes.h"
#include "scheduler/report.h"
#include "scheduler/taskrun.h"

namespace orvanel {

// The day list of a day, 0 Monday to 6 Sunday. The reference is used only
// until the scheduler calls out again (it copies what it keeps).
using DayListSource = std::function<const std::vector<std::string>&(int day)>;
// The script delay text.
using ScriptDelaySource = std::function<std::string()>;

// What one minute finds in a day list.
struct DayListScan {
    // The due tasks in list order.
    std::vector<TaskLine> due;
    // The first line whose Hour or Min. is malformed (its time.error says
    // how). The lines after it do not run; those of them that would have
    // been due are in notRun.
    std::optional<TaskLine> error;
    std::vector<TaskLine> notRun;
};

// Examines every line of `list` against the hour and minute of one minute:
// Hour, then Min., read by TextToInt; a line is due when 0 <= Hour <= 23 and
// 0 <= Min. <= 59 equal `hour` and `minute`. A malformed Hour or Min. gives
// the error: no line after it is due; those that would have been are listed
// as not run. Only the lines kept are read into tasks.
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

    // Where the scheduler tells what it does (null: nowhere). The report must
    // outlive the scheduler, or be replaced first.
    void SetReport(SchedulerReport* report) { report_ = report; }

    // Marks the current local minute as examined: nothing due in the minute
    // in which the program starts is run.
    void Start();

    // One tick of the minute timer. Reads the clock (keys.desktop's
    // GetLocalTime) and examines the minutes that MinutesToExamine gives, in
    // order; for each minute, the due lines of its weekday's list run in list
    // order. A minute counts as examined before its tasks run. Each minute is
    // checked against the clock as it comes up: one that began more than
    // kMaxCatchUpMinutes ago (the tasks before it ran long) is passed over
    // and reported as missed. When the tasks have taken the clock into a
    // later minute, the tick reads the clock once more and handles the minutes
    // that came meanwhile in the same way; then it returns, and the next tick
    // carries on from the last minute examined. Without Start(), the first
    // tick examines the current minute. A Tick called while a Tick is running
    // (from inside a task run), or during a RunNow, returns at once.
    //
    // A malformed Hour or Min. ends the examination of its minute (its later
    // lines do not run, see SchedulerReport::LineFailed); the later minutes of
    // the tick are still examined, and at the end the tick throws one Error
    // with every distinct message (see ErrorList), "'<text>' is not a valid
    // integer value". An Error thrown while a task runs is reported the same
    // way; the other due lines still run.
    void Tick();

    // Runs `task` of day list `day` (as the grid shows it, its row set) at
    // once, exactly as a due task runs, and reports it with no due minute.
    // Nothing runs, and none is returned, while a tick or another run by hand
    // is in progress (a desktop whose waits let window events through): two
    // scripts must never type into each other.
    std::optional<TaskRun> RunNow(int day, const TaskLine& task);

    // Whether a tick or a run by hand is in progress.
    bool Busy() const { return busy_; }

    // The hidden "Test" button: the first line of the Tuesday list, cut to 255
    // characters, run as a task; Error "List index out of bounds" when the
    // Tuesday list is empty.
    void TestFirstTuesdayLine();

    // The last minute examined or passed over as missed, if any.
    std::optional<std::int64_t> LastExamined() const { return lastExamined_; }

private:
    // Examines one minute; keeps the messages of the errors that arose.
    void Examine(std::int64_t number, ErrorList& errors);
    // Performs one task with the current script delay and reports its end.
    TaskRun Perform(const TaskLine& task, int day, std::optional<std::int64_t> due,
                    bool testButton);
    // Tells the report; whatever it throws is dropped.
    template <class Call> void Tell(const Call& call) const;

    KeyOutput& keys_;
    DayListSource dayLists_;
    ScriptDelaySource scriptDelay_;
    WindowHandle owner_;
    SchedulerReport* report_ = nullptr;
    std::optional<std::int64_t> lastExamined_;
    bool busy_ = false;
};

} // namespace orvanel
