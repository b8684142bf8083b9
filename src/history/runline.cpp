#include "history/runline.h"

#include <algorithm>

#include "desktop/untypedtext.h"
#include "history/isotime.h"
#include "scheduler/minutes.h"

namespace orvanel::history {

namespace {

// Milliseconds since 1970-01-01 00:00 UTC of a local clock reading.
std::int64_t InstantMilliseconds(const SystemTime& time) {
    const int offset =
        UtcOffsetMinutes({time.year, time.month, time.day}, time.hour, time.minute, time.second);
    return (CivilMinute(time) - offset) * 60000 + std::int64_t{time.second} * 1000 +
           time.milliseconds;
}

std::string Counted(std::uint64_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

} // namespace

std::int64_t RunMilliseconds(const TaskRun& run) {
    return std::max<std::int64_t>(0, InstantMilliseconds(run.finished) -
                                         InstantMilliseconds(run.started));
}

std::string DescribeRun(const TaskRun& run) {
    std::string text;
    if (!run.programStarted) {
        text = "window found";
    } else if (run.startFailure) {
        text = "shell answer " + std::to_string(*run.startFailure);
    } else if (run.windowAfterStart) {
        text = "program started, window found";
    } else {
        text = "program started";
    }
    const std::int64_t tenths = (RunMilliseconds(run) + 50) / 100;
    text += "; " + Counted(static_cast<std::uint64_t>(std::max(run.steps, 0)), "step", "steps");
    text += ", " + Counted(run.keyEvents, "key event", "key events");
    text += "; " + std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s";
    if (run.untyped.count != 0) {
        text += "; " + UntypedText(run.untyped);
    }
    return text;
}

HistoryLine RunHistoryLine(const TaskRun& run) {
    const bool skipped = run.skipped != SkipReason::NotSkipped;
    std::string detail = DescribeRun(run);
    if (skipped) {
        // A task held back before it began did nothing else worth telling.
        detail = run.halt == HaltPoint::BeforeRun && (run.skipped == SkipReason::ScreenLocked ||
                                                      run.skipped == SkipReason::KeyboardHeld)
                     ? SkipText(run)
                     : SkipText(run) + "; " + detail;
    }
    HistoryLine line = TaskHistoryLine(run.due, run.day, run.task,
                                       skipped              ? Outcome::Skipped
                                       : run.programStarted ? Outcome::Started
                                                            : Outcome::Typed,
                                       detail);
    line.started = FormatStarted(run.started);
    return line;
}

} // namespace orvanel::history
