// A connection to the Wayland compositor with the globals the backend uses,
// and the virtual keyboard that sends keys on it. The backend and its release
// guard both use them.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "desktop/wayland/wlkeyboard.h"

struct wl_display;
struct wl_registry;
struct wl_seat;
struct zwp_virtual_keyboard_manager_v1;
struct zwp_virtual_keyboard_v1;
struct zwlr_foreign_toplevel_manager_v1;

namespace orvanel::wl {

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
    // Handles the events that arrive within `milliseconds`.
    bool Pump(int milliseconds);
    // Writes out every request sent so far.
    bool Flush();
    bool Dead() const { return dead_; }

    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_seat* seat = nullptr;
    zwp_virtual_keyboard_manager_v1* keyboards = nullptr;
    zwlr_foreign_toplevel_manager_v1* toplevels = nullptr;

private:
    Connection() = default;
    bool dead_ = false;
};

// A virtual keyboard on the connection's seat.
//
// Key presses are paced: up to kBurstPresses at once, then kPressesPerSecond.
// Wayland has no flow control: the compositor disconnects a window whose
// socket fills up, and with it goes the window. A step of a script (at most
// 255 characters) leaves at once; only longer runs of keys wait, so that a
// window gets time to read.
class VirtualKeyboard : public KeySink {
public:
    explicit VirtualKeyboard(Connection& connection);
    ~VirtualKeyboard() override;
    VirtualKeyboard(const VirtualKeyboard&) = delete;
    VirtualKeyboard& operator=(const VirtualKeyboard&) = delete;

    // Uploads the keymap and waits until the compositor has taken it, so the
    // first key is not lost. False with `error` set on failure.
    bool Upload(const std::string& keymap, std::string& error);

    void Key(std::uint32_t xkbKeycode, bool press) override;
    void Modifiers(std::uint32_t depressed) override;
    void Flush() override { connection_.Flush(); }

    static constexpr double kBurstPresses = 256;
    static constexpr double kPressesPerSecond = 30000;

private:
    void Pace();

    Connection& connection_;
    zwp_virtual_keyboard_v1* keyboard_ = nullptr;
    double credit_ = kBurstPresses;                  // presses that may leave now
    std::chrono::steady_clock::time_point refilled_; // when credit_ was last counted
};

} // namespace orvanel::wl
