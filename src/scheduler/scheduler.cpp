#include "scheduler/scheduler.h"

#include <utility>

#include "schedule/error.h"
#include "scheduler/runner.h"

namespace orvanel {

namespace {

constexpr int kTuesday = 1;

// A tick handles the minutes that had come when it began, then those that
// came while their tasks ran; later ones are left to the next timer event, so
// that the window gets its events back even when every task runs long.
constexpr int kPassesPerTick = 2;

// Whether the clock reading `now` lies more than kMaxCatchUpMinutes after the
// start of `minute`: such a minute is too late for its tasks.
bool TooLate(std::int64_t minute, const SystemTime& now) {
    const std::int64_t sinceStart =
        (CivilMinute(now) - minute) * 60000 + std::int64_t{now.second} * 1000 + now.milliseconds;
    return sinceStart > kMaxCatchUpMinutes * 60000;
}

// Marks the scheduler busy for as long as it lives.
class BusyScope {
public:
    explicit BusyScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyScope() { flag_ = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& flag_;
};

// Gathers neighbouring missed minutes into one range for the report.
class MissedRun {
public:
    using Sink = std::function<void(std::int64_t first, std::int64_t last)>;
    explicit MissedRun(Sink sink) : sink_(std::move(sink)) {}
    void Add(std::int64_t first, std::int64_t last) {
        if (!empty_ && last_ + 1 == first) {
            last_ = last;
            return;
        }
        Report();
        empty_ = false;
        first_ = first;
        last_ = last;
    }
    // Hands the gathered range to the report.
    void Report() {
        if (!empty_) {
            sink_(first_, last_);
        }
        empty_ = true;
    }

private:
    Sink sink_;
    bool empty_ = true;
    std::int64_t first_ = 0;
    std::int64_t last_ = 0;
};

} // namespace

DayListScan ScanDayList(const std::vector<std::string>& list, int hour, int minute) {
    DayListScan scan;
    const std::size_t count = list.size();
    for (std::size_t i = 0; i < count; ++i) {
        const TaskFields fields = SplitTaskLine(list[i]);
        TaskTime time = ReadTaskTime(fields);
        if (!time.error.empty()) {
            if (!scan.error) {
                scan.error = MakeTaskLine(fields, std::move(time), i + 1);
            }
            continue;
        }
        if (time.DueAt(hour, minute)) {
            (scan.error ? scan.notRun : scan.due).push_back(MakeTaskLine(fields, time, i + 1));
        }
    }
    return scan;
}

Scheduler::Scheduler(KeyOutput& keys, const ScheduleStore& store, WindowHandle owner)
    : Scheduler(
          keys,
          [&store](int day) -> const std::vector<std::string>& {
              static const std::vector<std::string> none;
              return store.HasLists() ? store.DayList(day) : none;
          },
          [&store] { return store.ScriptDelay(); }, owner) {}

Scheduler::Scheduler(KeyOutput& keys, DayListSource dayLists, ScriptDelaySource scriptDelay,
                     WindowHandle owner)
    : keys_(keys), dayLists_(std::move(dayLists)), scriptDelay_(std::move(scriptDelay)),
      owner_(owner) {}

void Scheduler::Start() {
    lastExamined_ = CivilMinute(keys_.desktop.GetLocalTime());
}

template <class Call> void Scheduler::Tell(const Call& call) const {
    if (report_ == nullptr) {
        return;
    }
    try {
        call(*report_);
    } catch (...) {
        // A report that fails must not stop a task or the tick.
    }
}

void Scheduler::Tick() {
    // A tick that comes while another one is still running (a desktop whose
    // waits let timer events through) leaves the minutes to the running one.
    if (busy_) {
        return;
    }
    const BusyScope busy(busy_);

    ErrorList errors;
    MissedRun missed([this](std::int64_t first, std::int64_t last) {
        Tell([&](SchedulerReport& report) { report.Missed(first, last); });
    });
    for (int pass = 0; pass < kPassesPerTick; ++pass) {
        const std::int64_t current = CivilMinute(keys_.desktop.GetLocalTime());
        const std::vector<std::int64_t> minutes = lastExamined_
                                                      ? MinutesToExamine(*lastExamined_, current)
                                                      : std::vector<std::int64_t>{current};
        if (minutes.empty()) {
            break;
        }
        if (lastExamined_ && minutes.front() > *lastExamined_ + 1) {
            missed.Add(*lastExamined_ + 1, minutes.front() - 1); // the clock jumped ahead
        }
        for (const std::int64_t minute : minutes) {
            if (TooLate(minute, keys_.desktop.GetLocalTime())) {
                lastExamined_ = minute;
                missed.Add(minute, minute);
                continue;
            }
            missed.Report();
            Examine(minute, errors);
        }
    }
    missed.Report();
    errors.ThrowIfAny();
}

void Scheduler::Examine(std::int64_t number, ErrorList& errors) {
    lastExamined_ = number;
    const LocalMinute minute = DecodeCivilMinute(number);
    Tell([&](SchedulerReport& report) { report.Examining(minute); });
    const int day = DayListIndex(minute.weekday);
    const DayListScan scan = ScanDayList(dayLists_(day), minute.hour, minute.minute);
    for (const TaskLine& task : scan.due) {
        // Nothing in a task run raises by itself; should it, the other due
        // tasks of the minute still run.
        errors.Run([&] { Perform(task, day, number, false); });
    }
    if (scan.error) {
        errors.Add(scan.error->time.error);
        const LineError error{number, day, *scan.error, scan.notRun};
        Tell([&](SchedulerReport& report) { report.LineFailed(error); });
    }
}

TaskRun Scheduler::Perform(const TaskLine& task, int day, std::optional<std::int64_t> due,
                           bool testButton) {
    TaskRun run = RunTask(keys_, task, scriptDelay_(), owner_, report_);
    run.day = day;
    run.due = due;
    run.testButton = testButton;
    Tell([&](SchedulerReport& report) { report.RunEnded(run); });
    return run;
}

std::optional<TaskRun> Scheduler::RunNow(int day, const TaskLine& task) {
    if (busy_) {
        return std::nullopt;
    }
    const BusyScope busy(busy_);
    return Perform(task, day, std::nullopt, false);
}

void Scheduler::TestFirstTuesdayLine() {
    const std::vector<std::string>& tuesday = dayLists_(kTuesday);
    if (tuesday.empty()) {
        throw Error("List index out of bounds");
    }
    Perform(ParseTaskLine(tuesday.front(), 1), kTuesday, std::nullopt, true);
}

} // namespace orvanel
