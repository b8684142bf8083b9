#include "scheduler/runner.h"

#include "keys/playscript.h"
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
WindowHandle ProvideWindow(DesktopServices& desktop, WindowHandle owner, TaskRun& run) {
    const TaskLine& task = run.task;
    WindowHandle window = FindByTitle(desktop, task.windowTitle);
    run.windowFound = window != kNoWindow;
    if (run.windowFound) {
        Activate(desktop, window);
        return window;
    }
    run.programStarted = true;
    const std::intptr_t answer = desktop.ShellExecuteA(
        owner, kShellVerb, task.exe.file.c_str(), nullptr, task.exe.directory.c_str(), kShowNormal);
    if (answer <= kShellLastFailure) {
        // Whatever window has the focus now is not the task's.
        run.startFailure = answer;
        run.skipped = SkipReason::StartFailed;
        return kNoWindow;
    }
    desktop.Sleep(kLaunchWaitMilliseconds);
    window = FindByTitle(desktop, task.windowTitle);
    if (window != kNoWindow) {
        run.windowAfterStart = true;
        Activate(desktop, window);
    }
    return window;
}

// Whether the focus reaches `target` (kNoWindow: wherever it is) within
// kFocusWaitMilliseconds: a program busy with other work takes a moment.
bool AwaitFocus(DesktopServices& desktop, WindowHandle target) {
    for (std::uint32_t waited = 0;
         target != kNoWindow && desktop.FocusIsWith(target) == FocusState::Elsewhere;
         waited += kFocusPollMilliseconds) {
        if (waited >= kFocusWaitMilliseconds) {
            return false;
        }
        desktop.Sleep(kFocusPollMilliseconds);
    }
    return true;
}

// Gives the task its window and types its script there, every key through
// the gate.
void Perform(KeyOutput& keys, GuardedDesktop& gate, std::string_view scriptDelay,
             WindowHandle owner, TaskRun& run) {
    const WindowHandle window = ProvideWindow(gate, owner, run);
    const std::string& title = run.task.windowTitle;
    if (run.task.script.empty() || run.skipped != SkipReason::NotSkipped) {
        return;
    }
    if (!title.empty() && window == kNoWindow) {
        run.skipped = SkipReason::WindowNotFound;
        return;
    }
    // A task without a title types into the window in front as typing begins.
    const WindowHandle target = title.empty() ? gate.GetForegroundWindow() : window;
    if (!AwaitFocus(gate, target)) {
        run.skipped = SkipReason::WindowNotFocused;
        return;
    }
    gate.GuardWindow(target);
    run.steps = PlayScript(keys, run.task.script, scriptDelay, [&](std::int32_t played) {
        gate.BeginStep();
        run.steps = played + 1; // begun, should a check end the script in it
        return true;
    });
    // Keys sent in batches may have been refused after the last look at the
    // focus: then they did not arrive, as if the focus had moved.
    if (gate.KeysRefused()) {
        run.skipped = SkipReason::FocusMoved;
        run.halt = HaltPoint::InStep;
    }
}

// Performs the task behind its gate.
void GuardedRun(KeyOutput& keys, std::string_view scriptDelay, WindowHandle owner,
                SchedulerReport* report, TaskRun& run) {
    GuardedDesktop gate(keys.desktop);
    KeyOutput gatedKeys(gate);
    gate.TakeUntypedCharacters(); // what an earlier run left is not this run's
    if (!run.task.script.empty()) {
        run.stopKeyWatched = gate.WatchStopKey();
    }
    if (report != nullptr) {
        try {
            report->RunBegins(run.task, run.stopKeyWatched);
        } catch (...) {
            // A report that fails must not stop the task.
        }
    }
    try {
        Perform(gatedKeys, gate, scriptDelay, owner, run);
    } catch (const RunHalted& halted) {
        run.skipped = halted.reason;
        run.halt = halted.point;
    }
    gate.ReleaseHeldKeys();
    run.untyped = gate.TakeUntypedCharacters();
    keys.actions += gatedKeys.actions;
    keys.keyEvents += gatedKeys.keyEvents;
    run.keyEvents = gatedKeys.keyEvents;
}

} // namespace

TaskRun RunTask(KeyOutput& keys, const TaskLine& task, std::string_view scriptDelay,
                WindowHandle owner, SchedulerReport* report) {
    DesktopServices& desktop = keys.desktop;
    TaskRun run;
    run.task = task;
    run.started = desktop.GetLocalTime();
    if (!run.task.script.empty()) {
        run.skipped = BlockReason(desktop.InputBlocked());
    }
    if (run.skipped == SkipReason::NotSkipped) {
        GuardedRun(keys, scriptDelay, owner, report, run);
    }
    run.finished = desktop.GetLocalTime();
    return run;
}

} // namespace orvanel
