// The desktop services on GNOME (mutter and GNOME Shell) on Wayland, through
// Orvanel's GNOME Shell extension (extension/): GNOME Shell lets no other
// program list or activate windows, nor offers Wayland's window list or
// virtual keyboard protocols.
//
// Windows: the extension lists them (title, process, transient parent),
// shows and activates them, and says which has the focus, whether the
// session is locked and whether the shell itself holds the keyboard. A
// session that logind calls locked (its LockedHint) counts as locked too.
//
// Keyboard: keysyms on a virtual keyboard that the extension creates for
// this program (gnomekeyboard.h). While keys go out the session's keyboard
// map is the one Orvanel lends (lentkeymap.h), so every code page 1252
// character arrives right whatever layout the user has; the extension gives
// the user's own back a second after the last key.
//
// Keys go out in batches, in order: when the caller waits or asks anything
// of the desktop, when the stop key is noticed, and otherwise 20 ms after
// the first key of the batch (a thread of the backend's sees to that). The
// shell answers a question only after the keys sent before it.
//
// A key goes to the window the caller checked or nowhere: each batch names
// the window for which FocusIsWith last answered WithWindow (or that
// GetForegroundWindow answered since), and the extension types a batch only while the
// focus is in that window or a window transient for it, the session is not
// locked and the shell does not hold the keyboard. Otherwise it types
// nothing of it, releases what this program holds and refuses every later
// batch until it has said so; from then on FocusIsWith answers Elsewhere,
// KeysRefused true, and no key goes down until the caller activates a
// window or asks which has the focus again.
//
// No stuck keys: the virtual keyboard belongs to this program's connection to
// the session bus. However the program ends (SIGKILL and crashes included),
// the bus tells the extension, which removes the keyboard; the shell then
// releases every key it held and gives the keymap back.
//
// Programs, clock, locale and the keyboard queries are the ones shared with
// the other Linux backends (desktop/posix/posixdesktop.h).
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "desktop/desktop.h"
#include "desktop/gnome/gnomekeyboard.h"
#include "desktop/gnome/shelllink.h"
#include "desktop/posix/lockedhint.h"
#include "desktop/posix/posixdesktop.h"

namespace orvanel {

class GnomeDesktop : public posix::PosixDesktop {
public:
    // Why Open failed.
    enum class Failure {
        Opened,
        NoExtension, // the extension does not answer on the session bus
        Refused,     // it answers, but not this program
        Other,
    };

    // Connects to the extension. On failure returns null, sets `error` to a
    // message for the user and `failure` to why.
    static std::unique_ptr<GnomeDesktop> Open(std::string& error, Failure& failure);

    // The backend on a link of the caller's (tests give a fake). Null when
    // the lent layout cannot be written (`error` says why).
    static std::unique_ptr<GnomeDesktop> OnLink(std::unique_ptr<gnome::ShellLink> link,
                                                std::string& error);

    ~GnomeDesktop() override;
    GnomeDesktop(const GnomeDesktop&) = delete;
    GnomeDesktop& operator=(const GnomeDesktop&) = delete;

    // ---- DesktopServices (the rest is PosixDesktop's) ----
    void keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                     std::uintptr_t extraInfo) override;
    WindowHandle FindWindowA(const char* className, const char* title) override;
    bool ShowWindow(WindowHandle window, int showCommand) override;
    bool SetForegroundWindow(WindowHandle window) override;
    std::intptr_t SendMessageA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t lParam) override;
    // Sends the keys waiting, then sleeps.
    void Sleep(std::uint32_t milliseconds) override;
    InputBlock InputBlocked() override;
    WindowHandle GetForegroundWindow() override;
    // The focus counts as the window's when it is in the window or in a
    // window transient for it (its dialogs), not in another window of the
    // same program, and the shell does not hold the keyboard.
    FocusState FocusIsWith(WindowHandle window) override;
    bool KeysRefused() override;
    bool StartStopKeyWatch() override;
    bool StopKeyPressed() override;
    void EndStopKeyWatch() override;

    // ---- Beyond the interface, for tests and tools ----

    // Releases every key the backend holds.
    void ReleaseAll();
    // How logind's LockedHint is asked (tests give a stand-in loginctl).
    void SetSessionLockQuery(posix::LockedHintQuery query);

protected:
    std::int16_t LendVk(unsigned char character) override;

private:
    explicit GnomeDesktop(std::unique_ptr<gnome::ShellLink> link);
    void Queue(const std::vector<gnome::ShellKey>& keys);
    // The shell's state, noting a refusal of keys (with the lock held).
    gnome::ShellState AskState();
    void Flush();
    // The lock on the link and the keys, once the keys waiting have gone out.
    std::unique_lock<std::mutex> Sent();
    void FlushInTime();

    std::mutex mutex_; // the link, the keyboard and the keys waiting
    std::condition_variable wake_;
    bool closing_ = false;
    std::unique_ptr<gnome::ShellLink> link_;
    gnome::GnomeKeyboard keyboard_;
    std::vector<gnome::ShellKey> pending_;
    std::chrono::steady_clock::time_point pendingSince_;
    posix::LockedHintQuery lockQuery_;
    std::uint64_t keyTarget_ = 0; // the window that must have the focus (0: any)
    bool refused_ = false;        // the shell refused keys: none goes down now
    std::thread flusher_;         // last: it starts once the rest is there
};

} // namespace orvanel
