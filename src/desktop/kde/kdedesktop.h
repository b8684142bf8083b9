// The desktop services on KDE Plasma's Wayland session (KWin).
//
// Windows come from KWin's window list (org_kde_plasma_window_management):
// the exact title, the process id, the window each dialog is transient for,
// and which window is active; a window is shown (un-minimised) and made
// active by asking KWin. Keys go through KWin's fake input
// (org_kde_kwin_fake_input) as key codes of the user's own layout, read from
// the keymap KWin sends (layoutkeys.h): a character the layout has no key for
// is not sent, and TakeUntypedCharacters tells which. KWin offers both
// protocols only to a program whose installed desktop file names them in
// X-KDE-Wayland-Interfaces (Orvanel's package installs one for each program).
//
// On the session bus: the lock screen (org.freedesktop.ScreenSaver; logind's
// LockedHint too), the active layout, and the stop key as a global shortcut
// of kglobalaccel. Without a session bus these answer "not locked" and "not
// watched".
//
// No stuck keys: every key held is released when the object is destroyed;
// whatever else ends the program, the release guard releases them.
//
// Programs, clock, locale and the keyboard queries are the ones shared with
// X11 and wlroots (desktop/posix/posixdesktop.h).
#pragma once

#include <memory>
#include <string>

#include "desktop/desktop.h"
#include "desktop/posix/posixdesktop.h"

namespace orvanel {

class KdeDesktop : public posix::PosixDesktop {
public:
    // Why Open failed.
    enum class Failure {
        Opened,
        NoCompositor,     // WAYLAND_DISPLAY unset, or no connection
        NotKWin,          // another compositor
        MissingProtocols, // KWin, but it does not grant this program the protocols
        Other,
    };

    // Connects to KWin at $WAYLAND_DISPLAY. On failure returns null, sets
    // `error` to a message for the user and `failure` to why. `notice`, when
    // set, is a limit the user should know of (the layout cannot be read).
    static std::unique_ptr<KdeDesktop> Open(std::string& error, Failure& failure,
                                            std::string& notice);

    ~KdeDesktop() override;
    KdeDesktop(const KdeDesktop&) = delete;
    KdeDesktop& operator=(const KdeDesktop&) = delete;

    // ---- DesktopServices (the rest is PosixDesktop's) ----
    void keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                     std::uintptr_t extraInfo) override;
    WindowHandle FindWindowA(const char* className, const char* title) override;
    bool ShowWindow(WindowHandle window, int showCommand) override;
    bool SetForegroundWindow(WindowHandle window) override;
    std::intptr_t SendMessageA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) override;
    // Writes out the keys sent so far, then sleeps.
    void Sleep(std::uint32_t milliseconds) override;
    InputBlock InputBlocked() override;
    WindowHandle GetForegroundWindow() override;
    FocusState FocusIsWith(WindowHandle window) override;
    bool StartStopKeyWatch() override;
    bool StopKeyPressed() override;
    void EndStopKeyWatch() override;
    UntypedCharacters TakeUntypedCharacters() override;

    // ---- Beyond the interface, for tests and tools ----

    // Releases every key and modifier the backend holds.
    void ReleaseAll();
    // The process id of the release guard (-1 when none could start).
    int ReleaseGuardProcess() const;

    struct Impl;

protected:
    std::int16_t LendVk(unsigned char character) override;

private:
    explicit KdeDesktop(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

} // namespace orvanel
