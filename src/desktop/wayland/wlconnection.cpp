#include "desktop/wayland/wlconnection.h"

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <thread>

#include "virtual-keyboard-unstable-v1-client.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client.h"

namespace orvanel::wl {

namespace {

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t version) {
    auto* c = static_cast<Connection*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && c->seat == nullptr) {
        c->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0 &&
               c->keyboards == nullptr) {
        c->keyboards = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    } else if (std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) == 0 &&
               c->toplevels == nullptr) {
        c->toplevels = static_cast<zwlr_foreign_toplevel_manager_v1*>(wl_registry_bind(
            registry, name, &zwlr_foreign_toplevel_manager_v1_interface, std::min(version, 3u)));
    }
}

void OnGlobalRemove(void* /*data*/, wl_registry* /*registry*/, std::uint32_t /*name*/) {}

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

std::uint32_t NowMilliseconds() {
    struct timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint32_t>(now.tv_sec * 1000 + now.tv_nsec / 1'000'000);
}

} // namespace

std::unique_ptr<Connection> Connection::Connect() {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        return nullptr;
    }
    std::unique_ptr<Connection> c(new Connection());
    c->display = display;
    c->registry = wl_display_get_registry(display);
    wl_registry_add_listener(c->registry, &kRegistryListener, c.get());
    c->Roundtrip();
    return c;
}

Connection::~Connection() {
    if (seat != nullptr) {
        wl_seat_destroy(seat);
    }
    if (keyboards != nullptr) {
        zwp_virtual_keyboard_manager_v1_destroy(keyboards);
    }
    if (toplevels != nullptr) {
        zwlr_foreign_toplevel_manager_v1_destroy(toplevels);
    }
    if (registry != nullptr) {
        wl_registry_destroy(registry);
    }
    wl_display_disconnect(display);
}

bool Connection::Roundtrip() {
    dead_ = dead_ || wl_display_roundtrip(display) < 0;
    return !dead_;
}

bool Connection::Flush() {
    while (!dead_ && wl_display_flush(display) < 0) {
        if (errno != EAGAIN) {
            dead_ = true;
            break;
        }
        struct pollfd p {
            wl_display_get_fd(display), POLLOUT, 0
        };
        poll(&p, 1, 1000);
    }
    return !dead_;
}

bool Connection::Pump(int milliseconds) {
    if (dead_) {
        return false;
    }
    while (wl_display_prepare_read(display) != 0) {
        wl_display_dispatch_pending(display);
    }
    Flush();
    struct pollfd p {
        wl_display_get_fd(display), POLLIN, 0
    };
    if (poll(&p, 1, milliseconds) > 0) {
        dead_ = wl_display_read_events(display) < 0;
    } else {
        wl_display_cancel_read(display);
    }
    dead_ = dead_ || wl_display_dispatch_pending(display) < 0;
    return !dead_;
}

VirtualKeyboard::VirtualKeyboard(Connection& connection) : connection_(connection) {
    keyboard_ = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(connection.keyboards,
                                                                        connection.seat);
}

VirtualKeyboard::~VirtualKeyboard() {
    zwp_virtual_keyboard_v1_destroy(keyboard_);
    connection_.Flush();
}

bool VirtualKeyboard::Upload(const std::string& keymap, std::string& error) {
    const int fd = memfd_create("orvanel-keymap", MFD_CLOEXEC);
    const std::size_t size = keymap.size() + 1; // with its NUL
    if (fd < 0 || write(fd, keymap.c_str(), size) != static_cast<ssize_t>(size)) {
        error =
            std::string("Cannot hand the keyboard map to the compositor: ") + std::strerror(errno);
        if (fd >= 0) {
            close(fd);
        }
        return false;
    }
    zwp_virtual_keyboard_v1_keymap(keyboard_, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                   static_cast<std::uint32_t>(size));
    close(fd);
    // Keys sent before the compositor has set the keymap up get lost.
    if (!connection_.Roundtrip()) {
        error = "The Wayland compositor closed the connection when it was given the keyboard "
                "map (is the virtual keyboard allowed?).";
        return false;
    }
    return true;
}

// Waits, when the credit of presses is spent, until a few have come back; the
// keys sent so far are written out first.
void VirtualKeyboard::Pace() {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point now = Clock::now();
    if (refilled_ != Clock::time_point{}) {
        const double seconds = std::chrono::duration<double>(now - refilled_).count();
        credit_ = std::min(kBurstPresses, credit_ + seconds * kPressesPerSecond);
    }
    refilled_ = now;
    if (credit_ < 1) {
        constexpr double kRefill = 32; // presses to wait for at a time
        connection_.Flush();
        const auto wait = std::chrono::duration<double>((kRefill - credit_) / kPressesPerSecond);
        std::this_thread::sleep_for(wait);
        credit_ = kRefill;
        refilled_ = Clock::now();
    }
    credit_ -= 1;
}

void VirtualKeyboard::Key(std::uint32_t xkbKeycode, bool press) {
    if (press) {
        Pace();
    }
    zwp_virtual_keyboard_v1_key(keyboard_, NowMilliseconds(), xkbKeycode - 8,
                                press ? WL_KEYBOARD_KEY_STATE_PRESSED
                                      : WL_KEYBOARD_KEY_STATE_RELEASED);
}

void VirtualKeyboard::Modifiers(std::uint32_t depressed) {
    zwp_virtual_keyboard_v1_modifiers(keyboard_, depressed, 0, 0, 0);
}

} // namespace orvanel::wl
