// The task runner: performs one task line. It gives the task a window to type
// into (an open window with the task's exact Window Title, brought to the
// front, or else the task's program started through the shell), then plays the
// task's key script step by step with the script delay after every step.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "desktop/desktop.h"
#include "keys/keyoutput.h"

namespace orvanel {

// The wait after the shell has been asked to start a program.
constexpr std::uint32_t kLaunchWaitMilliseconds = 3000;

// The EXE name split for the shell: the directory part is everything up to
// and including the last "\" or ":" (empty when there is neither); the file
// part is the rest. A "/" does not divide.
struct ExeNameParts {
    std::string directory;
    std::string file;

    friend bool operator==(const ExeNameParts&, const ExeNameParts&) = default;
};
ExeNameParts SplitExeName(std::string_view exeName);

// What one run did, for the run history.
struct RunResult {
    bool windowFound = false;      // a window with the Window Title was there before the run
    bool programStarted = false;   // the EXE name was handed to the shell
    bool windowAfterStart = false; // the started program's window was found and activated
    std::int32_t steps = 0;        // script steps played
    std::uint64_t keyEvents = 0;   // keyboard events sent (press and release each count)
    SystemTime started;            // the clock when the run began
    SystemTime finished;           // and when it ended
};

// Performs one task line (cut to its first 255 characters): fields 0 (EXE
// name), 1 (Window Title) and 4 (Script) are read; Hour and Min. are not. The
// script is played by PlayScript (keys/playscript.h): every step followed by
// the script delay, 100 ms for a malformed delay text, 0 for a negative one.
// `owner` is the main window, the owner of started programs. The keystrokes go
// through `keys`, and every window, shell and wait call through keys.desktop.
// Raises nothing of its own; returns what it did.
RunResult RunTask(KeyOutput& keys, std::string_view line, std::string_view scriptDelay,
                  WindowHandle owner);

} // namespace orvanel
