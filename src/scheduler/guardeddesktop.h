// The desktop as one task run sees it, and the gate that every key of the
// run passes. Every call goes on to the real desktop, with three checks:
//
// - The stop key. While it is watched, every wait is cut into slices of at
//   most kStopPollMilliseconds, and the key is looked at before each slice
//   and before each key event.
// - The run's window. Once the runner has named the window it types into
//   (GuardWindow), every key event is checked before it goes. After any wait
//   (the wait after a program start, the focus wait, the script delay, a
//   {SLEEP}) the first key looks at where the focus is and at whether keys
//   can arrive at all (InputBlocked); so does the start of every step that
//   follows a wait. During typing without a wait, the focus is looked at
//   again whenever kTypingCheckMilliseconds of the desktop's GetTickCount
//   have passed since the last look. Only the window itself and the windows
//   it owns (its dialogs) count as the window.
// - Once a check has failed, RunHalted is raised with the reason and where
//   the script stood, and every later call that would type or wait raises it
//   again: nothing more reaches the desktop but the releases that
//   ReleaseHeldKeys sends for the keys the run holds.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "desktop/desktop.h"
#include "scheduler/taskrun.h"

namespace orvanel {

// How often a wait looks at the stop key.
constexpr std::uint32_t kStopPollMilliseconds = 50;
// How often uninterrupted typing looks at the focus.
constexpr std::uint32_t kTypingCheckMilliseconds = 50;

// Raised inside a task run when a check of the gate fails or the stop key has
// been pressed.
struct RunHalted {
    SkipReason reason = SkipReason::StoppedByUser;
    HaltPoint point = HaltPoint::InStep;
};

class GuardedDesktop : public DesktopServices {
public:
    explicit GuardedDesktop(DesktopServices& inner) : inner_(inner) {}
    GuardedDesktop(const GuardedDesktop&) = delete;
    GuardedDesktop& operator=(const GuardedDesktop&) = delete;
    // Lets the stop key go again and releases any key still down.
    ~GuardedDesktop() override;

    // Starts watching the stop key; false when the desktop cannot watch it.
    bool WatchStopKey();
    // From now on every key event is checked against `window` (kNoWindow:
    // the keys go wherever the focus is, and only a blocked input stops
    // them); the first key after this looks at everything.
    void GuardWindow(WindowHandle window);
    // A script step begins: when a wait came since the last look, the focus
    // and the input are looked at now (RunHalted between steps).
    void BeginStep();
    // Sends the release of every key pressed and not yet released, last
    // pressed first.
    void ReleaseHeldKeys();

    void keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                     std::uintptr_t extraInfo) override;
    void Sleep(std::uint32_t milliseconds) override;

    std::int16_t VkKeyScanA(char character) override { return inner_.VkKeyScanA(character); }
    bool CharToOemA(const char* source, char* destination) override {
        return inner_.CharToOemA(source, destination);
    }
    std::uint32_t OemKeyScan(std::uint16_t oemCharacter) override {
        return inner_.OemKeyScan(oemCharacter);
    }
    std::uint32_t MapVirtualKeyA(std::uint32_t code, std::uint32_t mapType) override {
        return inner_.MapVirtualKeyA(code, mapType);
    }
    WindowHandle FindWindowA(const char* className, const char* title) override {
        return inner_.FindWindowA(className, title);
    }
    bool ShowWindow(WindowHandle window, int showCommand) override {
        return inner_.ShowWindow(window, showCommand);
    }
    bool SetForegroundWindow(WindowHandle window) override {
        return inner_.SetForegroundWindow(window);
    }
    std::intptr_t SendMessageA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) override {
        return inner_.SendMessageA(window, message, wParam, lParam);
    }
    std::intptr_t ShellExecuteA(WindowHandle owner, const char* operation, const char* file,
                                const char* parameters, const char* directory,
                                int showCommand) override {
        return inner_.ShellExecuteA(owner, operation, file, parameters, directory, showCommand);
    }
    std::uint32_t GetTickCount() override { return inner_.GetTickCount(); }
    SystemTime GetLocalTime() override { return inner_.GetLocalTime(); }
    LocaleInfo GetLocaleInfoA() override { return inner_.GetLocaleInfoA(); }
    InputBlock InputBlocked() override { return inner_.InputBlocked(); }
    WindowHandle GetForegroundWindow() override { return inner_.GetForegroundWindow(); }
    FocusState FocusIsWith(WindowHandle window) override { return inner_.FocusIsWith(window); }
    bool KeysRefused() override { return inner_.KeysRefused(); }
    UntypedCharacters TakeUntypedCharacters() override { return inner_.TakeUntypedCharacters(); }

private:
    // Raises RunHalted once the stop key has been pressed or a check failed.
    void CheckStopKey();
    // Looks at the focus (and, with `input`, at InputBlocked); raises
    // RunHalted at `point` when the keys would not reach the window.
    void Look(HaltPoint point, bool input);
    [[noreturn]] void Halt(SkipReason reason, HaltPoint point);

    DesktopServices& inner_;
    bool watching_ = false;
    std::optional<RunHalted> halted_;
    bool guarding_ = false;
    WindowHandle window_ = kNoWindow;
    bool waited_ = false;                                     // a wait came since the last look
    std::uint32_t lastLook_ = 0;                              // GetTickCount of the last look
    std::vector<std::pair<std::uint8_t, std::uint8_t>> held_; // virtual key, scan code
};

} // namespace orvanel
