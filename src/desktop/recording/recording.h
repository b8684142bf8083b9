// The recording desktop: a deterministic fake of the desktop services for
// tests and for previewing scripts. It answers the keyboard queries as the
// standard Windows US layout does (code page 1252, OEM code page 437, set-1
// scan codes), keeps fake top-level windows and a fake clock that Sleep
// advances, and records every call that acts as one readable line:
//
//   down VK SCAN            keybd_event, key down (decimal)
//   up VK SCAN              keybd_event, key up
//   key VK SCAN FLAGS EXTRA keybd_event with any other flags or extra info
//   sleep MS                Sleep
//   find TITLE = H          FindWindowA (H is 0 when no window has the title)
//   show H N                ShowWindow
//   foreground H            SetForegroundWindow
//   message H MSG W L       SendMessageA
//   shell OP FILE [DIR]     ShellExecuteA (DIR left out when empty; " params=P",
//                           " show=N" added when not null / not 1)
//   stopkey on|off          StartStopKeyWatch / EndStopKeyWatch, recorded only
//                           when the stop key can be watched (SetStopKeyAvailable)
//
// The foreground window is the last one SetForegroundWindow made so (a window
// can refuse it) or the test set; the focus is with a window when the
// foreground window is that window or owned by it (a dialog, following the
// owner chain); other windows of its program do not count. InputBlocked
// answers what the test set.
//
// The fake clock moves on in Sleep, and by a set time per key event
// (SetKeyEventTime, 0 unless set). Events a test scripts for a moment of the
// fake clock (At: the focus moves, the screen locks) happen once the clock
// reaches that moment.
//
// Queries (VkKeyScanA, CharToOemA, OemKeyScan, MapVirtualKeyA, GetLocalTime,
// GetLocaleInfoA) are answered without a line unless RecordQueries(true):
//
//   vkscan CHAR = ANSWER            VkKeyScanA (CHAR as a byte value, ANSWER signed)
//   chartooem B1 B2 = O1 O2         CharToOemA (byte values)
//   oemkeyscan OEM = ANSWER         OemKeyScan (4294967295: no key)
//   mapvk CODE TYPE = ANSWER        MapVirtualKeyA
//   localtime Y-M-D H:M:S.MS wday W GetLocalTime
//   localeinfo DATE TIME            GetLocaleInfoA (the two pictures)
//
// The layout tables themselves are in desktop/uslayout.h, for other backends too.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "desktop/desktop.h"

namespace orvanel {

class RecordingDesktop : public DesktopServices {
public:
    // What every ShellExecuteA answers: greater than 32, a success.
    static constexpr std::intptr_t kShellResult = 42;

    RecordingDesktop();

    // ---- DesktopServices ----
    void keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                     std::uintptr_t extraInfo) override;
    std::int16_t VkKeyScanA(char character) override;
    bool CharToOemA(const char* source, char* destination) override;
    std::uint32_t OemKeyScan(std::uint16_t oemCharacter) override;
    std::uint32_t MapVirtualKeyA(std::uint32_t code, std::uint32_t mapType) override;
    WindowHandle FindWindowA(const char* className, const char* title) override;
    bool ShowWindow(WindowHandle window, int showCommand) override;
    bool SetForegroundWindow(WindowHandle window) override;
    std::intptr_t SendMessageA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) override;
    std::intptr_t ShellExecuteA(WindowHandle owner, const char* operation, const char* file,
                                const char* parameters, const char* directory,
                                int showCommand) override;
    void Sleep(std::uint32_t milliseconds) override;
    std::uint32_t GetTickCount() override { return static_cast<std::uint32_t>(now_); }
    SystemTime GetLocalTime() override;
    LocaleInfo GetLocaleInfoA() override;
    InputBlock InputBlocked() override { return inputBlock_; }
    WindowHandle GetForegroundWindow() override { return foreground_; }
    FocusState FocusIsWith(WindowHandle window) override;
    bool StartStopKeyWatch() override;
    bool StopKeyPressed() override { return stopKeyPressed_; }
    void EndStopKeyWatch() override;
    bool AutostartEnabled(const std::filesystem::path& dataDirectory) override;
    std::string SetAutostart(bool on, const std::filesystem::path& dataDirectory) override;
    UntypedCharacters TakeUntypedCharacters() override { return std::exchange(untyped, {}); }
    bool KeysRefused() override { return keysRefused; }

    // ---- The record ----
    // Every recorded line, each ended by "\n".
    std::string Record() const;
    const std::vector<std::string>& Lines() const { return lines_; }
    void ClearRecord() { lines_.clear(); }
    void RecordQueries(bool on) { recordQueries_ = on; }
    // Key-down events not yet followed by their key-up, by virtual-key code.
    const std::map<int, int>& HeldKeys() const { return held_; }

    // ---- Fake windows ----
    WindowHandle AddWindow(const std::string& title); // handles 1, 2, 3, ...
    void RemoveWindow(WindowHandle window);
    void MinimiseWindow(WindowHandle window);
    bool IsMinimised(WindowHandle window) const;
    WindowHandle Foreground() const { return foreground_; }
    // Moves the focus, as another program or the user would (not recorded).
    void SetForeground(WindowHandle window) { foreground_ = window; }
    // SetForegroundWindow leaves the focus where it is for this window.
    void RefuseFocus(WindowHandle window) { windows_[window].refusesFocus = true; }
    // Windows with the same non-zero program number belong to one program
    // (which gives them no say over each other's focus).
    void SetProgram(WindowHandle window, int program) { windows_[window].program = program; }
    // `window` is owned by `owner`: a dialog of it.
    void SetOwner(WindowHandle window, WindowHandle owner) { windows_[window].owner = owner; }
    // What ShellExecuteA answers from now on (32 or less: the start failed).
    void SetShellAnswer(std::intptr_t answer) { shellAnswer_ = answer; }

    // What TakeUntypedCharacters answers next (then none), as a layout that
    // lacks characters would.
    UntypedCharacters untyped;
    // What KeysRefused answers, as a desktop that checks keys on arrival.
    bool keysRefused = false;

    // ---- Input, stop key, session start ----
    void SetInputBlock(InputBlock block) { inputBlock_ = block; }
    void SetStopKeyAvailable(bool available) { stopKeyAvailable_ = available; }
    // The user presses the stop key: seen while it is watched.
    void PressStopKey() { stopKeyPressed_ = stopKeyWatched_; }
    bool StopKeyWatched() const { return stopKeyWatched_; }
    // The folder the session starts the program in; empty: not at all. A
    // non-empty failure text makes SetAutostart fail with it.
    std::filesystem::path autostartDirectory;
    std::string autostartFailure;

    // Called after a ShellExecuteA has been recorded (e.g. to let a started
    // program open its window).
    std::function<void(const std::string& file, const std::string& directory)> onShell;
    // Called after a Sleep has advanced the clock.
    std::function<void(std::uint32_t milliseconds)> onSleep;

    // ---- Fake clock ----
    // Milliseconds since 1970-01-01 00:00 UTC; GetLocalTime converts it with
    // the C library's local time (the TZ of the process). Starts at
    // 2026-01-05 07:00:00 UTC (a Monday).
    std::int64_t Now() const { return now_; }
    void SetNow(std::int64_t epochMilliseconds) { now_ = epochMilliseconds; }
    // Moves the clock on, running the scripted events it reaches.
    void Advance(std::int64_t milliseconds);
    // Runs `event` once the clock reaches `epochMilliseconds` (at once in the
    // next Sleep or key event when it has already). Events of one moment run
    // in the order given.
    void At(std::int64_t epochMilliseconds, std::function<void()> event);
    // How far each key event moves the clock on (0 at first).
    void SetKeyEventTime(std::int64_t milliseconds) { keyEventTime_ = milliseconds; }
    // The epoch milliseconds of a local date and time (mktime, TZ of the process).
    static std::int64_t LocalToEpoch(int year, int month, int day, int hour, int minute,
                                     int second = 0);
    void SetLocalTime(int year, int month, int day, int hour, int minute, int second = 0) {
        now_ = LocalToEpoch(year, month, day, hour, minute, second);
    }

    void SetLocaleInfo(const LocaleInfo& info) { locale_ = info; }

private:
    void Add(std::string line) { lines_.push_back(std::move(line)); }

    std::vector<std::string> lines_;
    bool recordQueries_ = false;
    std::map<int, int> held_;
    struct FakeWindow {
        std::string title;
        bool minimised = false;
        bool refusesFocus = false;
        int program = 0;
        WindowHandle owner = kNoWindow;
    };
    std::map<WindowHandle, FakeWindow> windows_;
    WindowHandle nextWindow_ = 1;
    WindowHandle foreground_ = kNoWindow;
    std::int64_t now_ = 0;
    std::int64_t keyEventTime_ = 0;
    std::multimap<std::int64_t, std::function<void()>> events_;
    LocaleInfo locale_;
    InputBlock inputBlock_ = InputBlock::Clear;
    std::intptr_t shellAnswer_ = kShellResult;
    bool stopKeyAvailable_ = false;
    bool stopKeyWatched_ = false;
    bool stopKeyPressed_ = false;
};

} // namespace orvanel
