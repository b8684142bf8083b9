// The task runner: performs one task. It gives the task a window to type
// into (an open window with the task's exact Window Title, brought to the
// front, or else the task's program started through the shell), then plays
// the task's key script step by step with the script delay after every step,
// every key through the run's gate (guardeddesktop.h).
//
// One run, in order (RunTask, runner.cpp):
//  1. A task with a Script does not run at all while the screen is locked or
//     another program holds the keyboard: no window is activated, no program
//     started.
//  2. The gate is set up: the stop key is watched, and the report is told
//     that the run begins.
//  3. The window: the one with the title, activated; else the program is
//     started and, 3 s later, the window with the title looked for again and
//     activated. A task without a title types into the window in front.
//  4. The focus wait: the window has kFocusWaitMilliseconds to take the focus.
//  5. The script, each step through PlayScript. The gate checks every key
//     against the window and ends the run at the first key that would go
//     astray (see GuardedDesktop); a run ended early leaves no key down.
// A task with an empty Script needs no input and runs as it always has.
#pragma once

#include <cstdint>
#include <string_view>

#include "desktop/desktop.h"
#include "keys/keyoutput.h"
#include "schedule/task.h"
#include "scheduler/report.h"
#include "scheduler/taskrun.h"

namespace orvanel {

// The wait after the shell has been asked to start a program.
constexpr std::uint32_t kLaunchWaitMilliseconds = 3000;
// How long a task's window may take to get the keyboard focus after it has
// been activated, and how often the focus is looked at meanwhile.
constexpr std::uint32_t kFocusWaitMilliseconds = 1000;
constexpr std::uint32_t kFocusPollMilliseconds = 50;

// Performs `task`: its EXE name, Window Title and Script are used; Hour and
// Min. are not. The script is played by PlayScript (keys/playscript.h): every
// step followed by the script delay, 100 ms for a malformed delay text, 0 for
// a negative one. `owner` is the main window, the owner of started programs.
// The keystrokes go through `keys`, and every window, shell and wait call
// through keys.desktop. `report`, when given, is told as the run begins.
// Raises nothing of its own; returns what the run did (its day and due
// minute left for the caller to fill in).
TaskRun RunTask(KeyOutput& keys, const TaskLine& task, std::string_view scriptDelay,
                WindowHandle owner, SchedulerReport* report = nullptr);

} // namespace orvanel
