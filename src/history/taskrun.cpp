#include "history/taskrun.h"

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

std::int64_t RunMilliseconds(const RunResult& result) {
    return std::max<std::int64_t>(0, InstantMilliseconds(result.finished) -
                                         InstantMilliseconds(result.started));
}

std::string DescribeRun(const RunResult& result) {
    std::string text;
    if (!result.programStarted) {
        text = "window found";
    } else if (result.startFailure) {
        text = "shell answer " + std::to_string(*result.startFailure);
    } else if (result.windowAfterStart) {
        text = "program started, window found";
    } else {
        text = "program started";
    }
    const std::int64_t tenths = (RunMilliseconds(result) + 50) / 100;
    text += "; " + Counted(static_cast<std::uint64_t>(std::max(result.steps, 0)), "step", "steps");
    text += ", " + Counted(result.keyEvents, "key event", "key events");
    text += "; " + std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s";
    if (result.untyped.count != 0) {
        text += "; " + UntypedText(result.untyped);
    }
    return text;
}

RunRecord RecordOfRun(const TaskRun& run) {
    const RunResult& result = run.result;
    const bool skipped = result.skipped != SkipReason::NotSkipped;
    RunRecord record = RecordForLine(run.day, run.index, run.line,
                                     skipped                 ? Outcome::Skipped
                                     : result.programStarted ? Outcome::Started
                                                             : Outcome::Typed);
    record.due = run.due;
    record.started = result.started;
    record.detail = DescribeRun(result);
    if (skipped) {
        const std::string reason = SkipText(result.skipped, result.steps);
        // A task held back before it began did nothing else worth telling.
        const bool heldBack = result.skipped == SkipReason::ScreenLocked ||
                              result.skipped == SkipReason::KeyboardHeld;
        record.detail = heldBack ? reason : reason + "; " + record.detail;
    }
    return record;
}

} // namespace orvanel::history
