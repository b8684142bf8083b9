#include "desktop/kde/kwinconnection.h"

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "fake-input-client.h"
#include "plasma-window-management-client.h"

namespace orvanel::kde {

namespace {

// The newest version of the window list whose events this build knows.
constexpr std::uint32_t kWindowsVersion = 16;

void OnCapabilities(void* data, wl_seat* /*seat*/, std::uint32_t capabilities) {
    static_cast<Connection*>(data)->seatCapabilities = capabilities;
}

void OnSeatName(void* /*data*/, wl_seat* /*seat*/, const char* /*name*/) {}

const wl_seat_listener kSeatListener = {OnCapabilities, OnSeatName};

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t version) {
    auto* c = static_cast<Connection*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && c->seat == nullptr) {
        c->seat = static_cast<wl_seat*>(
            wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, 5u)));
        wl_seat_add_listener(c->seat, &kSeatListener, c);
    } else if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 &&
               c->fakeInput == nullptr && version >= 4) { // 4: keyboard keys
        c->fakeInput = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
    } else if (std::strcmp(interface, org_kde_plasma_window_management_interface.name) == 0 &&
               version >= 12) { // 12: windows by their uuid
        c->windowsGlobal = name;
        c->windowsVersion = std::min(version, kWindowsVersion);
    }
}

void OnGlobalRemove(void* /*data*/, wl_registry* /*registry*/, std::uint32_t /*name*/) {}

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

void OnKeymap(void* data, wl_keyboard* /*keyboard*/, std::uint32_t format, int fd,
              std::uint32_t size) {
    auto* c = static_cast<Connection*>(data);
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
        void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (text != MAP_FAILED) {
            const auto* chars = static_cast<const char*>(text);
            const std::string keymap(chars, strnlen(chars, size));
            munmap(text, size);
            if (c->onKeymap) {
                c->onKeymap(keymap);
            }
        }
    }
    close(fd);
}

void OnEnter(void* /*data*/, wl_keyboard* /*keyboard*/, std::uint32_t /*serial*/,
             wl_surface* /*surface*/, wl_array* /*keys*/) {}
void OnLeave(void* /*data*/, wl_keyboard* /*keyboard*/, std::uint32_t /*serial*/,
             wl_surface* /*surface*/) {}
void OnKey(void* /*data*/, wl_keyboard* /*keyboard*/, std::uint32_t /*serial*/,
           std::uint32_t /*time*/, std::uint32_t /*key*/, std::uint32_t /*state*/) {}
void OnModifiers(void* /*data*/, wl_keyboard* /*keyboard*/, std::uint32_t /*serial*/,
                 std::uint32_t /*depressed*/, std::uint32_t /*latched*/, std::uint32_t /*locked*/,
                 std::uint32_t /*group*/) {}
void OnRepeat(void* /*data*/, wl_keyboard* /*keyboard*/, std::int32_t /*rate*/,
              std::int32_t /*delay*/) {}

const wl_keyboard_listener kKeyboardListener = {OnKeymap, OnEnter,     OnLeave,
                                                OnKey,    OnModifiers, OnRepeat};

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
    if (c->fakeInput != nullptr) {
        // KWin takes fake keys only from a device that has said who it is.
        org_kde_kwin_fake_input_authenticate(c->fakeInput, "Orvanel",
                                             "types the key scripts of scheduled tasks");
    }
    c->Roundtrip();
    return c;
}

Connection::~Connection() {
    if (keyboard_ != nullptr) {
        wl_keyboard_destroy(keyboard_);
    }
    if (seat != nullptr) {
        wl_seat_destroy(seat);
    }
    if (fakeInput != nullptr) {
        org_kde_kwin_fake_input_destroy(fakeInput);
    }
    if (registry != nullptr) {
        wl_registry_destroy(registry);
    }
    wl_display_disconnect(display);
}

org_kde_plasma_window_management* Connection::BindWindows() {
    if (windowsGlobal == 0) {
        return nullptr;
    }
    return static_cast<org_kde_plasma_window_management*>(wl_registry_bind(
        registry, windowsGlobal, &org_kde_plasma_window_management_interface, windowsVersion));
}

bool Connection::WatchKeymap(std::function<void(const std::string&)> handler) {
    if (seat == nullptr || (seatCapabilities & WL_SEAT_CAPABILITY_KEYBOARD) == 0) {
        return false;
    }
    onKeymap = std::move(handler);
    if (keyboard_ == nullptr) {
        keyboard_ = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(keyboard_, &kKeyboardListener, this);
    }
    return Roundtrip();
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

FakeKeys::FakeKeys(Connection& connection) : connection_(connection) {}

void FakeKeys::Key(std::uint32_t xkbKeycode, bool press) {
    org_kde_kwin_fake_input_keyboard_key(connection_.fakeInput, xkbKeycode - 8,
                                         press ? WL_KEYBOARD_KEY_STATE_PRESSED
                                               : WL_KEYBOARD_KEY_STATE_RELEASED);
}

} // namespace orvanel::kde
