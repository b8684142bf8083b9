#include "scheduler/runner.h"

#include <algorithm>

#include "keys/playscript.h"
#include "schedule/taskline.h"
#include "scheduler/guardeddesktop.h"

namespace orvanel {

namespace {

// Shows the window, restored, as the foreground window with the keyboard
// focus. The focus message waits at most as long as the desktop allows.
void Activate(DesktopServices& desktop, WindowHandle window) {
    desktop.ShowWindow(window, kShowNormal);
    desktop.SetForegroundWindow(window);
    desktop.SendMessageA(window, kWmSetFocus, 0, 0);
}

WindowHandle FindByTitle(DesktopServices& desktop, const std::string& title) {
    if (title.empty()) {
        return kNoWindow;
    }
    return desktop.FindWindowA(nullptr, title.c_str());
}

SkipReason BlockReason(InputBlock block) {
    switch (block) {
    case InputBlock::ScreenLocked:
        return SkipReason::ScreenLocked;
    case InputBlock::KeyboardHeld:
        return SkipReason::KeyboardHeld;
    case InputBlock::Clear:
        break;
    }
    return SkipReason::NotSkipped;
}

// Gives the task its window: the one with its title, activated, or else its
// program started and, when the task names a window, that window once the
// program has had time to open it. Returns the window (kNoWindow if none).
WindowHandle ProvideWindow(DesktopServices& desktop, const std::string& exeName,
                           const std::string& title, WindowHandle owner, RunResult& result) {
    WindowHandle window = FindByTitle(desktop, title);
    result.windowFound = window != kNoWindow;
    if (result.windowFound) {
        Activate(desktop, window);
        return window;
    }
    result.programStarted = true;
    const ExeNameParts parts = SplitExeName(exeName);
    const std::intptr_t answer = desktop.ShellExecuteA(
        owner, kShellVerb, parts.file.c_str(), nullptr, parts.directory.c_str(), kShowNormal);
    if (answer <= kShellLastFailure) {
        // Whatever window has the focus now is not the task's.
        result.startFailure = answer;
        result.skipped = SkipReason::StartFailed;
        return kNoWindow;
    }
    desktop.Sleep(kLaunchWaitMilliseconds);
    window = FindByTitle(desktop, title);
    if (window != kNoWindow) {
        result.windowAfterStart = true;
        Activate(desktop, window);
    }
    return window;
}

bool FocusLeft(DesktopServices& desktop, WindowHandle target) {
    return target != kNoWindow && desktop.FocusIsWith(target) == FocusState::Elsewhere;
}

// Whether the focus reaches `target` (kNoWindow: wherever it is) within
// kFocusWaitMilliseconds: a program busy with other work takes a moment.
bool AwaitFocus(DesktopServices& desktop, WindowHandle target) {
    for (std::uint32_t waited = 0; FocusLeft(desktop, target); waited += kFocusPollMilliseconds) {
        if (waited >= kFocusWaitMilliseconds) {
            return false;
        }
        desktop.Sleep(kFocusPollMilliseconds);
    }
    return true;
}

// Plays the script into `target` (kNoWindow: wherever the focus is, unchecked)
// as long as the focus stays with it.
void Type(KeyOutput& keys, std::string_view script, std::string_view scriptDelay,
          WindowHandle target, RunResult& result) {
    DesktopServices& desktop = keys.desktop;
    if (!AwaitFocus(desktop, target)) {
        result.skipped = SkipReason::WindowNotFocused;
        return;
    }
    result.steps = PlayScript(keys, script, scriptDelay, [&](std::int32_t played) {
        if (played == 0 || !FocusLeft(desktop, target)) {
            result.steps = played + 1; // begun, should the stop key end the script
            return true;
        }
        result.skipped = SkipReason::FocusMoved;
        return false;
    });
}

// Gives the task its window and types its script there.
void Perform(KeyOutput& keys, std::string_view line, const std::string& script,
             std::string_view scriptDelay, WindowHandle owner, RunResult& result) {
    DesktopServices& desktop = keys.desktop;
    const std::string title = ExtractField(line, kFieldSeparator, kWindowTitleField);
    const WindowHandle window = ProvideWindow(
        desktop, ExtractField(line, kFieldSeparator, kExeNameField), title, owner, result);
    if (script.empty() || result.skipped != SkipReason::NotSkipped) {
        return;
    }
    if (!title.empty() && window == kNoWindow) {
        result.skipped = SkipReason::WindowNotFound;
        return;
    }
    const WindowHandle target = title.empty() ? desktop.GetForegroundWindow() : window;
    Type(keys, script, scriptDelay, target, result);
}

// Performs the task on a desktop that the stop key can interrupt.
void GuardedRun(KeyOutput& keys, std::string_view line, std::string_view scriptDelay,
                WindowHandle owner, const RunBegins& begins, RunResult& result) {
    GuardedDesktop guarded(keys.desktop);
    KeyOutput guardedKeys(guarded);
    guarded.TakeUntypedCharacters(); // what an earlier run left is not this run's
    const std::string script(PlayedScript(ExtractField(line, kFieldSeparator, kScriptField)));
    if (!script.empty()) {
        result.stopKeyWatched = guarded.WatchStopKey();
    }
    if (begins) {
        begins(result.stopKeyWatched);
    }
    try {
        Perform(guardedKeys, line, script, scriptDelay, owner, result);
    } catch (const TaskStopped&) {
        result.skipped = SkipReason::StoppedByUser;
    }
    guarded.ReleaseHeldKeys();
    result.untyped = guarded.TakeUntypedCharacters();
    keys.actions += guardedKeys.actions;
    keys.keyEvents += guardedKeys.keyEvents;
    result.keyEvents = guardedKeys.keyEvents;
}

} // namespace

std::string SkipText(SkipReason reason, std::int32_t steps) {
    switch (reason) {
    case SkipReason::ScreenLocked:
        return "screen locked";
    case SkipReason::KeyboardHeld:
        return "keyboard held by another program";
    case SkipReason::WindowNotFound:
        return "no window with the title after the start";
    case SkipReason::WindowNotFocused:
        return "the window did not take the focus";
    case SkipReason::FocusMoved:
        return "focus moved to another window after step " + std::to_string(steps);
    case SkipReason::StoppedByUser:
        return "stopped by the user";
    case SkipReason::StartFailed:
        return "the program could not be started";
    case SkipReason::NotSkipped:
        break;
    }
    return {};
}

ExeNameParts SplitExeName(std::string_view exeName) {
    const std::size_t divider = exeName.find_last_of("\\:");
    if (divider == std::string_view::npos) {
        return {std::string(), std::string(exeName)};
    }
    return {std::string(exeName.substr(0, divider + 1)), std::string(exeName.substr(divider + 1))};
}

RunResult RunTask(KeyOutput& keys, std::string_view line, std::string_view scriptDelay,
                  WindowHandle owner, const RunBegins& begins) {
    DesktopServices& desktop = keys.desktop;
    RunResult result;
    result.started = desktop.GetLocalTime();
    line = line.substr(0, std::min(line.size(), kMaxTextLength));
    const bool hasScript = !PlayedScript(ExtractField(line, kFieldSeparator, kScriptField)).empty();
    if (hasScript) {
        result.skipped = BlockReason(desktop.InputBlocked());
    }
    if (result.skipped == SkipReason::NotSkipped) {
        GuardedRun(keys, line, scriptDelay, owner, begins, result);
    }
    result.finished = desktop.GetLocalTime();
    return result;
}

} // namespace orvanel
