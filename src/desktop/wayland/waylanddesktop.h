// The desktop services on a Wayland compositor that offers the foreign
// toplevel management protocol (zwlr_foreign_toplevel_manager_v1: the
// top-level windows with their titles, un-minimised and activated on request)
// and the virtual keyboard protocol (zwp_virtual_keyboard_v1: keys sent with
// a keymap of the client's own). sway and the other wlroots compositors do.
//
// Keyboard: as on X11, key scripts speak in the virtual keys of the US layout
// and keybd_event types what that layout gives. The virtual keyboard carries
// one keymap, built at start, that holds every character a script can type
// on a key of its own (wlkeymap.h); nothing is rebound while typing, so the
// text is right whatever layout the user has and however late a window reads
// it. The first key waits until the compositor has taken the keymap.
//
// No stuck keys: every key held is released when the object is destroyed;
// whatever else ends the program (exit, a signal, SIGKILL, a crash), the
// release guard (desktop/posix/releaseguard.h) releases them on a virtual
// keyboard of its own.
//
// Programs, clock, locale and the keyboard queries are the ones shared with
// X11 (desktop/posix/posixdesktop.h).
#pragma once

#include <memory>
#include <string>

#include "desktop/desktop.h"
#include "desktop/posix/lockedhint.h"
#include "desktop/posix/posixdesktop.h"

namespace orvanel {

class WaylandDesktop : public posix::PosixDesktop {
public:
    // Why Open failed.
    enum class Failure {
        Opened,
        NoCompositor,     // WAYLAND_DISPLAY unset, or no connection
        MissingProtocols, // connected, but the compositor lacks a protocol
        Other,
    };

    // Connects to the compositor of $WAYLAND_DISPLAY. On failure returns
    // null, sets `error` to a message for the user and `failure` to why.
    static std::unique_ptr<WaylandDesktop> Open(std::string& error, Failure& failure);

    ~WaylandDesktop() override;
    WaylandDesktop(const WaylandDesktop&) = delete;
    WaylandDesktop& operator=(const WaylandDesktop&) = delete;

    // ---- DesktopServices (the rest is PosixDesktop's) ----
    void keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                     std::uintptr_t extraInfo) override;
    WindowHandle FindWindowA(const char* className, const char* title) override;
    bool ShowWindow(WindowHandle window, int showCommand) override;
    bool SetForegroundWindow(WindowHandle window) override;
    std::intptr_t SendMessageA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) override;
    // ScreenLocked while logind says the session is locked. The compositor
    // tells which window is activated, not whether a lock screen is up or
    // the keyboard held; nor can a client watch a global key.
    InputBlock InputBlocked() override;
    WindowHandle GetForegroundWindow() override;
    FocusState FocusIsWith(WindowHandle window) override;

    // ---- Beyond the interface, for tests and tools ----

    // Releases every key and modifier the backend holds.
    void ReleaseAll();
    // Whether the window is the active one, as the compositor last said.
    bool IsActive(WindowHandle window);
    // The process id of the release guard (-1 when none could start).
    int ReleaseGuardProcess() const;
    // How InputBlocked asks logind (tests point it at a stand-in).
    void SetSessionLockQuery(posix::LockedHintQuery query);

    struct Impl;

protected:
    std::int16_t LendVk(unsigned char character) override;

private:
    explicit WaylandDesktop(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

} // namespace orvanel
