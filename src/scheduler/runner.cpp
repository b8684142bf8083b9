#include "scheduler/runner.h"

#include <algorithm>

#include "keys/playscript.h"
#include "schedule/taskline.h"

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

} // namespace

ExeNameParts SplitExeName(std::string_view exeName) {
    const std::size_t divider = exeName.find_last_of("\\:");
    if (divider == std::string_view::npos) {
        return {std::string(), std::string(exeName)};
    }
    return {std::string(exeName.substr(0, divider + 1)), std::string(exeName.substr(divider + 1))};
}

RunResult RunTask(KeyOutput& keys, std::string_view line, std::string_view scriptDelay,
                  WindowHandle owner) {
    DesktopServices& desktop = keys.desktop;
    RunResult result;
    result.started = desktop.GetLocalTime();
    const std::uint64_t keyEventsBefore = keys.keyEvents;
    line = line.substr(0, std::min(line.size(), kMaxTextLength));
    const std::string exeName = ExtractField(line, kFieldSeparator, kExeNameField);
    const std::string title = ExtractField(line, kFieldSeparator, kWindowTitleField);

    WindowHandle window = FindByTitle(desktop, title);
    result.windowFound = window != kNoWindow;
    if (result.windowFound) {
        Activate(desktop, window);
    } else {
        result.programStarted = true;
        const ExeNameParts parts = SplitExeName(exeName);
        desktop.ShellExecuteA(owner, kShellVerb, parts.file.c_str(), nullptr,
                              parts.directory.c_str(), kShowNormal);
        desktop.Sleep(kLaunchWaitMilliseconds);
        // The started program has had time to open its window: when the task
        // names one, the script goes to it rather than to whatever window
        // happens to hold the focus.
        window = FindByTitle(desktop, title);
        if (window != kNoWindow) {
            result.windowAfterStart = true;
            Activate(desktop, window);
        }
    }

    result.steps = PlayScript(keys, ExtractField(line, kFieldSeparator, kScriptField), scriptDelay);
    result.keyEvents = keys.keyEvents - keyEventsBefore;
    result.finished = desktop.GetLocalTime();
    return result;
}

} // namespace orvanel
