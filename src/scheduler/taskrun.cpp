#include "scheduler/taskrun.h"

namespace orvanel {

namespace {

// The place in the script of a run that a check halted.
std::string HaltPlace(const TaskRun& run) {
    if (run.halt == HaltPoint::InStep) {
        return " during step " + std::to_string(run.steps);
    }
    return run.steps == 0 ? " before step 1" : " after step " + std::to_string(run.steps);
}

} // namespace

std::string SkipText(const TaskRun& run) {
    const std::string place = run.halt == HaltPoint::BeforeRun ? "" : HaltPlace(run);
    switch (run.skipped) {
    case SkipReason::ScreenLocked:
        return "screen locked" + place;
    case SkipReason::KeyboardHeld:
        return "keyboard held by another program" + place;
    case SkipReason::WindowNotFound:
        return "no window with the title after the start";
    case SkipReason::WindowNotFocused:
        return "the window did not take the focus";
    case SkipReason::FocusMoved:
        return "focus moved to another window" + place;
    case SkipReason::StoppedByUser:
        return "stopped by the user";
    case SkipReason::StartFailed:
        return "the program could not be started";
    case SkipReason::NotSkipped:
        break;
    }
    return {};
}

} // namespace orvanel
