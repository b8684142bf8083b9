// The desktop services on Windows: every operation is the Windows call of the
// same name, passed what the caller gives. Window handles are the HWND values
// themselves. Each backend runs a release guard (releaseguard.h), so that no
// key it pressed stays down however the program ends.
#pragma once

#include "desktop/desktop.h"
#include "desktop/win32/inputstate.h"
#include "desktop/win32/releaseguard.h"
#include "desktop/win32/stopkeywatch.h"

namespace orvanel {

class Win32Desktop : public DesktopServices {
public:
    // How long SendMessageA waits for a window that does not answer.
    static constexpr unsigned kMessageTimeoutMs = 2000;

    void keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                     std::uintptr_t extraInfo) override;
    std::int16_t VkKeyScanA(char character) override;
    bool CharToOemA(const char* source, char* destination) override;
    std::uint32_t OemKeyScan(std::uint16_t oemCharacter) override;
    std::uint32_t MapVirtualKeyA(std::uint32_t code, std::uint32_t mapType) override;

    WindowHandle FindWindowA(const char* className, const char* title) override;
    bool ShowWindow(WindowHandle window, int showCommand) override;
    bool SetForegroundWindow(WindowHandle window) override;
    // Sent with SendMessageTimeoutA, so that a hung window holds the caller at
    // most kMessageTimeoutMs; answers 0 when the window did not answer in time.
    std::intptr_t SendMessageA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) override;
    std::intptr_t ShellExecuteA(WindowHandle owner, const char* operation, const char* file,
                                const char* parameters, const char* directory,
                                int showCommand) override;

    void Sleep(std::uint32_t milliseconds) override;
    std::uint32_t GetTickCount() override;
    SystemTime GetLocalTime() override;
    // The formats of the system default locale; a value the locale does not
    // give keeps the default of LocaleInfo.
    LocaleInfo GetLocaleInfoA() override;
    // The Startup folder's shortcut (autostart.cpp).
    bool AutostartEnabled(const std::filesystem::path& dataDirectory) override;
    std::string SetAutostart(bool on, const std::filesystem::path& dataDirectory) override;

    // See inputstate.h and stopkeywatch.h.
    InputBlock InputBlocked() override { return win32::CurrentInputBlock(); }
    WindowHandle GetForegroundWindow() override { return win32::ForegroundWindow(); }
    FocusState FocusIsWith(WindowHandle window) override {
        return win32::FocusRelation(win32::ForegroundWindow(), window);
    }
    bool StartStopKeyWatch() override { return stopKey_.Start(); }
    bool StopKeyPressed() override { return stopKey_.Pressed(); }
    void EndStopKeyWatch() override { stopKey_.End(); }

    // True when the release guard runs.
    bool ReleaseGuardRunning() const { return guard_.Running(); }

private:
    win32::ReleaseGuard guard_;
    win32::StopKeyWatch stopKey_;
};

} // namespace orvanel
