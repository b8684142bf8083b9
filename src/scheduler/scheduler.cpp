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
            scan.error = error.what();
            break;
        }
        if (h >= 0 && h <= 23 && m >= 0 && m <= 59 && h == hour && m == minute) {
            scan.dueLines.emplace_back(line);
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
    if (ticking_) {
        return;
    }
    struct Running {
        bool& flag;
        explicit Running(bool& f) : flag(f) { flag = true; }
        ~Running() { flag = false; }
    } running(ticking_);

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
    DayListScan scan =
        ScanDayList(dayLists_(DayListIndex(minute.weekday)), minute.hour, minute.minute);
    for (const std::string& line : scan.dueLines) {
        // Nothing in a task run raises by itself; should it, the other due
        // tasks of the minute still run.
        errors.Run([&] { RunTask(line); });
    }
    if (scan.error) {
        errors.Add(*scan.error);
    }
}

void Scheduler::RunTask(std::string_view line) {
    orvanel::RunTask(keys_, line, scriptDelay_(), owner_);
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
