// What the Linux backends (X11, wlroots, KDE Plasma, GNOME) answer alike:
// the keyboard queries of the reference US layout, with the virtual-key codes
// lent to the characters it lacks; programs started the POSIX way; sleeping,
// the C library's clock and locale; the XDG autostart entry; and how long
// SendMessageA waits for a window to take the focus. A backend derives from
// PosixDesktop and adds the keys, the windows and the safety checks of its
// display system.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

#include "desktop/desktop.h"

namespace orvanel::posix {

class PosixDesktop : public DesktopServices {
public:
    // As the US layout answers; a code page 1252 character that it lacks
    // gets a lent virtual-key code (desktop/keysyms/lentvks.h) from LendVk.
    std::int16_t VkKeyScanA(char character) override;
    bool CharToOemA(const char* source, char* destination) override;
    std::uint32_t OemKeyScan(std::uint16_t oemCharacter) override;
    // As the US layout answers; a lent code sits on no key (scan code 0).
    std::uint32_t MapVirtualKeyA(std::uint32_t code, std::uint32_t mapType) override;

    // "open" only (shell.h); any other operation finds no association.
    std::intptr_t ShellExecuteA(WindowHandle owner, const char* operation, const char* file,
                                const char* parameters, const char* directory,
                                int showCommand) override;

    void Sleep(std::uint32_t milliseconds) override;
    // The monotonic clock's milliseconds (tickcount.h).
    std::uint32_t GetTickCount() override;
    SystemTime GetLocalTime() override;
    LocaleInfo GetLocaleInfoA() override;

    bool AutostartEnabled(const std::filesystem::path& dataDirectory) override;
    std::string SetAutostart(bool on, const std::filesystem::path& dataDirectory) override;

protected:
    // The lent virtual-key code of a code page 1252 character that the US
    // layout lacks; -1 when every lent code is held down.
    virtual std::int16_t LendVk(unsigned char character) = 0;
};

// The clock of SendMessageA's wait for the focus: the backend asks for the
// focus again every kRetryEvery, and gives up kGiveUpAfter after the start,
// so that a window that never takes the focus cannot hang a task.
class FocusWait {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kRetryEvery{300};
    static constexpr std::chrono::seconds kGiveUpAfter{2};

    FocusWait() : deadline_(Clock::now() + kGiveUpAfter), retry_(Clock::now() + kRetryEvery) {}

    bool Over(Clock::time_point now) const { return now >= deadline_; }
    // Whether the request is due again; if it is, the next one is due
    // kRetryEvery from now.
    bool RetryDue(Clock::time_point now) {
        if (now < retry_) {
            return false;
        }
        retry_ = now + kRetryEvery;
        return true;
    }
    // The time left until the next request or the end, whichever comes first.
    Clock::duration UntilNext(Clock::time_point now) const {
        return std::min(deadline_, retry_) - now;
    }

private:
    Clock::time_point deadline_;
    Clock::time_point retry_;
};

} // namespace orvanel::posix
