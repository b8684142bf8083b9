// The desktop as a running task sees it: every call goes to the real desktop,
// but the task can be stopped. While the stop key is watched, every wait is
// cut into slices of at most kStopPollMilliseconds and the key is looked at
// before each slice and before each key event; once it has been pressed,
// Stop() is raised and nothing more reaches the desktop. The keys pressed and
// not yet released are kept, so that a stopped script leaves none down.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "desktop/desktop.h"

namespace orvanel {

// How often a wait looks at the stop key.
constexpr std::uint32_t kStopPollMilliseconds = 50;

// Raised inside a task run when the stop key has been pressed.
struct TaskStopped {};

class GuardedDesktop : public DesktopServices {
public:
    explicit GuardedDesktop(DesktopServices& inner) : inner_(inner) {}
    GuardedDesktop(const GuardedDesktop&) = delete;
    GuardedDesktop& operator=(const GuardedDesktop&) = delete;
    // Lets the stop key go again and releases any key still down.
    ~GuardedDesktop() override;

    // Starts watching the stop key; false when the desktop cannot watch it.
    bool WatchStopKey();
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
    SystemTime GetLocalTime() override { return inner_.GetLocalTime(); }
    LocaleInfo GetLocaleInfoA() override { return inner_.GetLocaleInfoA(); }
    InputBlock InputBlocked() override { return inner_.InputBlocked(); }
    WindowHandle GetForegroundWindow() override { return inner_.GetForegroundWindow(); }
    FocusState FocusIsWith(WindowHandle window) override { return inner_.FocusIsWith(window); }
    UntypedCharacters TakeUntypedCharacters() override { return inner_.TakeUntypedCharacters(); }

private:
    // Raises TaskStopped once the stop key has been pressed.
    void CheckStopKey();

    DesktopServices& inner_;
    bool watching_ = false;
    bool stopped_ = false;
    std::vector<std::pair<std::uint8_t, std::uint8_t>> held_; // virtual key, scan code
};

} // namespace orvanel
