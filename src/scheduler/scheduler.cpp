#include "scheduler/scheduler.h"

#include <utility>

#include "schedule/error.h"
#include "schedule/taskline.h"

namespace orvanel {

namespace {

constexpr int kTuesday = 1;

// A tick handles the minutes that had come when it began, then those that
// came while their tasks ran; later ones are left to the next timer event, so
// that the window gets its events back even when every task runs long.
constexpr int kPassesPerTick = 2;

std::string_view Cut(std::string_view line) {
    return line.substr(0, kMaxTextLength);
}

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

// Calls a reporting hook; what it throws is dropped.
template <typename Hook, typename Value> void Notify(const Hook& hook, const Value& value) {
    if (!hook) {
        return;
    }
    try {
        hook(value);
    } catch (...) {
        // A report that fails must not stop a task or the tick.
    }
}

// Gathers neighbouring missed minutes into one range for the onMissed hook.
class MissedRun {
public:
    using Hook = std::function<void(std::int64_t first, std::int64_t last)>;
    explicit MissedRun(const Hook& hook) : hook_(hook) {}
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
    // Hands the gathered range to the hook.
    void Report() {
        if (!empty_ && hook_) {
            hook_(first_, last_);
        }
        empty_ = true;
    }

private:
    const Hook& hook_;
    bool empty_ = true;
    std::int64_t first_ = 0;
    std::int64_t last_ = 0;
};

} // namespace

DayListScan ScanDayList(const std::vector<std::string>& list, int hour, int minute) {
    DayListScan scan;
    const std::size_t count = list.size();
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view line = Cut(list[i]);
        std::int32_t h = 0;
        std::int32_t m = 0;
        try {
            h = TextToInt(ExtractField(line, kFieldSeparator, kHourField));
            m = TextToInt(ExtractField(line, kFieldSeparator, kMinuteField));
        } catch (const Error& error) {
            if (!scan.error) {
                scan.error = error.what();
                scan.errorIndex = i;
            }
            continue;
        }
        if (h >= 0 && h <= 23 && m >= 0 && m <= 59 && h == hour && m == minute) {
            (scan.error ? scan.notRun : scan.due).push_back({i, std::string(line)});
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

void Scheduler::Tick() {
    // A tick that comes while another one is still running (a desktop whose
    // waits let timer events through) leaves the minutes to the running one.
    if (busy_) {
        return;
    }
    const BusyScope busy(busy_);

    ErrorList errors;
    MissedRun missed(onMissed);
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
    if (onExamine) {
        onExamine(minute);
    }
    const int day = DayListIndex(minute.weekday);
    const std::vector<std::string>& list = dayLists_(day);
    const DayListScan scan = ScanDayList(list, minute.hour, minute.minute);
    const std::string errorLine = scan.error ? std::string(Cut(list[scan.errorIndex])) : "";
    for (const DueLine& due : scan.due) {
        // Nothing in a task run raises by itself; should it, the other due
        // tasks of the minute still run.
        errors.Run([&] { ReportRun({number, day, due.index, due.line, RunTask(due.line)}); });
    }
    if (scan.error) {
        errors.Add(*scan.error);
        ReportLineError({number, day, scan.errorIndex, errorLine, *scan.error, scan.notRun});
    }
}

void Scheduler::ReportRun(const TaskRun& run) const {
    Notify(onRun, run);
}

void Scheduler::ReportLineError(const LineError& error) const {
    Notify(onLineError, error);
}

RunResult Scheduler::RunTask(std::string_view line) {
    RunResult result =
        orvanel::RunTask(keys_, line, scriptDelay_(), owner_, [&](bool stopKeyWatched) {
            try {
                if (onRunStart) {
                    onRunStart(line, stopKeyWatched);
                }
            } catch (...) {
                // A report that fails must not stop the task.
            }
        });
    Notify(onRunEnd, result);
    return result;
}

std::optional<RunResult> Scheduler::RunNow(int day, std::size_t index, std::string_view line) {
    if (busy_) {
        return std::nullopt;
    }
    const BusyScope busy(busy_);
    TaskRun run{std::nullopt, day, index, std::string(Cut(line)), {}};
    run.result = RunTask(run.line);
    ReportRun(run);
    return run.result;
}

void Scheduler::TestFirstTuesdayLine() {
    const std::vector<std::string>& tuesday = dayLists_(kTuesday);
    if (tuesday.empty()) {
        throw Error("List index out of bounds");
    }
    const std::string line(Cut(tuesday.front()));
    RunTask(line);
}

} // namespace orvanel
