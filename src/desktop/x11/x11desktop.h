// The desktop services on a Linux X11 desktop: synthesized keys through the
// XTEST extension, read against the live XKB keymap; windows found and
// activated through the EWMH hints of the window manager (or directly when
// none runs); programs started with fork and exec; the C library's clock and
// locale. No X header leaks out of this file, so the window code can include
// it next to its toolkit.
//
// Keyboard. Key scripts speak in the virtual-key codes and SHIFT presses of
// the US layout, and VkKeyScanA, OemKeyScan and MapVirtualKeyA answer as the
// US layout does whatever layout X has. keybd_event turns each key-down into
// the character (or named key) that the US layout gives for that virtual key
// with the SHIFT state the script holds, and sends the keycode and the Shift
// and AltGr presses that the live layout needs for it. A code page 1252
// character that the US layout lacks (é, ü, ß, €, ...) gets a virtual-key code
// from the ranges Windows leaves unassigned (0x88-0x8F, 0x97-0x9F, 0xD8-0xDA,
// 0xE8) from VkKeyScanA, bound to that character until the range wraps round.
// A character the live layout lacks is typed on a spare keycode bound to its
// keysym, which keeps it for as long as the backend lives (a window may read
// its keys late); spare keycodes go back to empty when the backend closes,
// and however else the program ends.
//
// No stuck keys: every key the backend holds is released, and every spare
// keycode restored, when the object is destroyed and at exit(). Whatever else
// ends the program (a signal, SIGKILL, a crash), the backend's release guard
// process releases them (x11session.h).
#pragma once

#include <memory>
#include <string>

#include "desktop/desktop.h"
#include "desktop/posix/lockedhint.h"
#include "desktop/posix/posixdesktop.h"

namespace orvanel {

class X11Desktop : public posix::PosixDesktop {
public:
    // Connects to the X display `displayName` (null: $DISPLAY). On failure
    // returns null and sets `error` to a message for the user.
    static std::unique_ptr<X11Desktop> Open(const char* displayName, std::string& error);

    ~X11Desktop() override;
    X11Desktop(const X11Desktop&) = delete;
    X11Desktop& operator=(const X11Desktop&) = delete;

    // ---- DesktopServices (the rest is PosixDesktop's) ----
    void keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                     std::uintptr_t extraInfo) override;
    WindowHandle FindWindowA(const char* className, const char* title) override;
    bool ShowWindow(WindowHandle window, int showCommand) override;
    bool SetForegroundWindow(WindowHandle window) override;
    std::intptr_t SendMessageA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) override;

    // KeyboardHeld while another client holds a keyboard grab; ScreenLocked
    // while the screen saver is on or logind says the session is locked.
    InputBlock InputBlocked() override;
    WindowHandle GetForegroundWindow() override;
    FocusState FocusIsWith(WindowHandle window) override;
    // Ctrl+Alt+Shift+S, grabbed on a connection of its own while watched.
    bool StartStopKeyWatch() override;
    bool StopKeyPressed() override;
    void EndStopKeyWatch() override;

    // ---- Beyond the interface, for tests and tools ----

    // Releases every key and modifier the backend holds and restores the
    // spare keycodes it bound (what destruction and the exit handler do).
    void ReleaseAll();
    // True when a window manager that follows EWMH runs.
    bool WindowManagerRunning();
    // The window that has the input focus (0 when none).
    WindowHandle FocusWindow();
    // How many spare keycodes are bound to a keysym right now.
    int BoundSpareKeycodes() const;
    // The process id of the release guard (-1 when none could start).
    int ReleaseGuardProcess() const;
    // How InputBlocked asks logind (tests point it at a stand-in).
    void SetSessionLockQuery(posix::LockedHintQuery query);

protected:
    std::int16_t LendVk(unsigned char character) override;

private:
    struct Impl;
    explicit X11Desktop(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

} // namespace orvanel
