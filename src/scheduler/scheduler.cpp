#include "scheduler/scheduler.h"

#include <utility>

#include "schedule/error.h"
#include "schedule/taskline.h"

namespace orvanel {

namespace {

constexpr int kTuesday = 1;

std::string_view Cut(std::string_view line) {
    return line.substr(0, kMaxTextLength);
}

} // namespace

DayListScan ScanDayList(const std::vector<std::string>& list, int hour, int minute) {
    DayListScan scan;
    const std::size_t count = list.size();
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view line = Cut(list[i]);
        std::int32_t h = 0;
        std::int32_t m = 0;
        try {
            h = TextToInt(ExtractField(line, "|", 2));
            m = TextToInt(ExtractField(line, "|", 3));
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
    // waits let timer events through) leaves the minutes to the running one,
    // which reads the clock again before it ends.
    if (ticking_) {
        return;
    }
    struct Running {
        bool& flag;
        explicit Running(bool& f) : flag(f) { flag = true; }
        ~Running() { flag = false; }
    } running(ticking_);

    std::optional<std::string> firstError;
    for (;;) {
        const std::int64_t current = CivilMinute(keys_.desktop.GetLocalTime());
        const std::vector<std::int64_t> minutes = lastExamined_
                                                      ? MinutesToExamine(*lastExamined_, current)
                                                      : std::vector<std::int64_t>{current};
        if (minutes.empty()) {
            break;
        }
        for (const std::int64_t minute : minutes) {
            std::optional<std::string> error = Examine(minute);
            if (error && !firstError) {
                firstError = std::move(error);
            }
        }
    }
    if (firstError) {
        throw Error(*firstError);
    }
}

std::optional<std::string> Scheduler::Examine(std::int64_t number) {
    lastExamined_ = number;
    const LocalMinute minute = DecodeCivilMinute(number);
    if (onExamine) {
        onExamine(minute);
    }
    DayListScan scan =
        ScanDayList(dayLists_(DayListIndex(minute.weekday)), minute.hour, minute.minute);
    std::optional<std::string> runError;
    for (const std::string& line : scan.dueLines) {
        try {
            RunTask(line);
        } catch (const Error& error) {
            // Nothing in a task run raises by itself; should it, the other
            // due tasks of the minute still run.
            if (!runError) {
                runError = error.what();
            }
        }
    }
    return runError ? runError : scan.error;
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
