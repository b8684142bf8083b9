// The task runner: performs one task line. It gives the task a window to type
// into (an open window with the task's exact Window Title, brought to the
// front, or else the task's program started through the shell), then plays the
// task's key script step by step with the script delay after every step.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "desktop/desktop.h"
#include "keys/keyoutput.h"

namespace orvanel {

// The wait after the shell has been asked to start a program.
constexpr std::uint32_t kLaunchWaitMilliseconds = 3000;
// How long a task's window may take to get the keyboard focus after it has
// been activated, and how often the focus is looked at meanwhile.
constexpr std::uint32_t kFocusWaitMilliseconds = 1000;
constexpr std::uint32_t kFocusPollMilliseconds = 50;

// The EXE name split for the shell: the directory part is everything up to
// and including the last "\" or ":" (empty when there is neither); the file
// part is the rest. A "/" does not divide.
struct ExeNameParts {
    std::string directory;
    std::string file;

    friend bool operator==(const ExeNameParts&, const ExeNameParts&) = default;
};
ExeNameParts SplitExeName(std::string_view exeName);

// Why a task was not typed, or not to the end.
enum class SkipReason {
    NotSkipped,
    ScreenLocked,     // no task with a Script runs while the screen is locked
    KeyboardHeld,     // nor while another program holds the keyboard
    WindowNotFound,   // the task names a window, and none had its title after the start
    WindowNotFocused, // the task's window did not take the keyboard focus
    FocusMoved,       // the focus went to another program's window between steps
    StoppedByUser,    // the stop key was pressed
    StartFailed,      // the shell could not start the program, so nothing came up to type into
};

// "screen locked", "keyboard held by another program", "no window with the
// title after the start", "the window did not take the focus", "focus moved
// to another window after step N", "stopped by the user", "the program could
// not be started"; empty for NotSkipped.
std::string SkipText(SkipReason reason, std::int32_t steps);

// What one run did, for the run history.
struct RunResult {
    bool windowFound = false;      // a window with the Window Title was there before the run
    bool programStarted = false;   // the EXE name was handed to the shell
    bool windowAfterStart = false; // the started program's window was found and activated
    std::int32_t steps = 0;        // script steps played (begun, when the run was stopped)
    std::uint64_t keyEvents = 0;   // keyboard events sent (press and release each count)
    SystemTime started;            // the clock when the run began
    SystemTime finished;           // and when it ended
    SkipReason skipped = SkipReason::NotSkipped; // why the script was not typed to the end
    bool stopKeyWatched = false;                 // the stop key was watched during the run
    std::optional<std::intptr_t> startFailure;   // the shell's answer when the start failed
    UntypedCharacters untyped;                   // characters the keyboard layout could not type
};

// Performs one task line (cut to its first 255 characters): fields 0 (EXE
// name), 1 (Window Title) and 4 (Script) are read; Hour and Min. are not. The
// script is played by PlayScript (keys/playscript.h): every step followed by
// the script delay, 100 ms for a malformed delay text, 0 for a negative one.
//
// Nobody may be at the desk, so a task with a Script types only where its keys
// belong. It does not run at all (no window is activated, no program started)
// while the screen is locked or another program holds the keyboard. A task
// that names a Window Title types only into that window (or another window of
// the same program) once it has the focus; a task without one types into the
// window that has the focus when typing begins. Before every later step the
// focus is looked at again, and when it has gone to another program's window
// the script ends there. While the script runs the stop key is watched and
// ends it at once. A script ended early leaves no key down. A task with an
// empty Script needs no input and runs as it always has.
// `owner` is the main window, the owner of started programs. The keystrokes go
// through `keys`, and every window, shell and wait call through keys.desktop.
// `begins`, when given, is told as the task begins whether the stop key is
// watched for it. Raises nothing of its own; returns what it did.
using RunBegins = std::function<void(bool stopKeyWatched)>;
RunResult RunTask(KeyOutput& keys, std::string_view line, std::string_view scriptDelay,
                  WindowHandle owner, const RunBegins& begins = {});

} // namespace orvanel
