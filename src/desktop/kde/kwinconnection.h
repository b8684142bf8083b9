// A connection to KWin with the globals the KDE backend uses: the seat (and
// its keyboard, for the user's keymap), fake input and the window list. KWin
// offers the last two only to a program whose installed desktop file names
// them in X-KDE-Wayland-Interfaces. The backend and its release guard both
// use it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "desktop/kde/kdekeyboard.h"

struct wl_display;
struct wl_registry;
struct wl_seat;
struct wl_keyboard;
struct org_kde_kwin_fake_input;
struct org_kde_plasma_window_management;

namespace orvanel::kde {

class Connection {
public:
    // Connects to $WAYLAND_DISPLAY (null on failure) and reads the globals.
    static std::unique_ptr<Connection> Connect();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Waits for the compositor to have handled every request sent so far.
    // False once the connection is lost.
    bool Roundtrip();
    // Handles the events that arrive within `milliseconds` (0: those already
    // there).
    bool Pump(int milliseconds);
    // Writes out every request sent so far.
    bool Flush();
    bool Dead() const { return dead_; }

    // Binds the window list; the caller adds its listener at once, before
    // anything is dispatched, so that no window is missed. Null when KWin
    // does not offer it.
    org_kde_plasma_window_management* BindWindows();

    // Asks the seat for its keyboard: `onKeymap` then gets the keymap text
    // now and whenever the compositor changes it. False when the seat has no
    // keyboard.
    bool WatchKeymap(std::function<void(const std::string&)> handler);

    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_seat* seat = nullptr;
    std::uint32_t seatCapabilities = 0;
    org_kde_kwin_fake_input* fakeInput = nullptr;
    std::uint32_t windowsGlobal = 0; // the window list's global name, 0: not offered
    std::uint32_t windowsVersion = 0;

    // The keyboard's events (public for its listener table).
    std::function<void(const std::string&)> onKeymap;

private:
    Connection() = default;
    wl_keyboard* keyboard_ = nullptr;
    bool dead_ = false;
};

// Keys through KWin's fake input.
class FakeKeys : public KeySink {
public:
    explicit FakeKeys(Connection& connection);
    void Key(std::uint32_t xkbKeycode, bool press) override;
    void Flush() override { connection_.Flush(); }

private:
    Connection& connection_;
};

} // namespace orvanel::kde
