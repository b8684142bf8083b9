// One run of a task: what ran, where it stands in the week, and what the run
// did. The runner returns it (runner.h), the scheduler adds the day and the
// due minute and hands it to its report (report.h), and the history writes it
// down.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "desktop/desktop.h"
#include "schedule/task.h"

namespace orvanel {

// Why a task was not typed, or not to the end.
enum class SkipReason {
    NotSkipped,
    ScreenLocked,     // the screen or the session was locked
    KeyboardHeld,     // another program held the keyboard
    WindowNotFound,   // the task names a window, and none had its title after the start
    WindowNotFocused, // the task's window did not take the keyboard focus
    FocusMoved,       // the focus went to another window during the script
    StoppedByUser,    // the stop key was pressed
    StartFailed,      // the shell could not start the program, so nothing came up to type into
};

// Where a check halted the run.
enum class HaltPoint {
    BeforeRun,    // before anything was done: no window activated, no program started
    BetweenSteps, // before step `steps` + 1 (after a wait)
    InStep,       // inside step `steps`
};

struct TaskRun {
    // ---- What ran ----
    TaskLine task;                   // task.row is its line in the day list
    int day = -1;                    // the day list, 0 Monday to 6 Sunday; -1 none
    std::optional<std::int64_t> due; // the local minute it was due; none: run by hand
    bool testButton = false;         // run by the hidden "Test" button, which keeps no history

    // ---- What the run did ----
    SystemTime started;            // the clock when the run began
    SystemTime finished;           // and when it ended
    bool windowFound = false;      // a window with the Window Title was there before the run
    bool programStarted = false;   // the EXE name was handed to the shell
    bool windowAfterStart = false; // the started program's window was found and activated
    std::optional<std::intptr_t> startFailure; // the shell's answer when the start failed
    bool stopKeyWatched = false;               // the stop key was watched during the run
    std::int32_t steps = 0;                    // script steps begun
    std::uint64_t keyEvents = 0; // keyboard events sent (press and release each count)
    UntypedCharacters untyped;   // characters the keyboard layout could not type
    SkipReason skipped = SkipReason::NotSkipped; // why the script was not typed to the end
    HaltPoint halt = HaltPoint::BeforeRun;       // where, for a check that failed
};

// Why the run was skipped, in words, and where when a check failed on the
// way: "screen locked", "keyboard held by another program during step 2",
// "no window with the title after the start", "the window did not take the
// focus", "focus moved to another window after step 1", "focus moved to
// another window during step 1", "stopped by the user", "the program could
// not be started"; empty when it was not skipped.
std::string SkipText(const TaskRun& run);

} // namespace orvanel
