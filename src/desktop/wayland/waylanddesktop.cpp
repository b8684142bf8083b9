#include "desktop/wayland/waylanddesktop.h"

#include <wayland-client.h>

#include <chrono>
#include <cstdlib>
#include <utility>

#include "desktop/cp1252.h"
#include "desktop/wayland/wlconnection.h"
#include "desktop/wayland/wlkeyboard.h"
#include "desktop/wayland/wlkeymap.h"
#include "desktop/wayland/wlreleaseguard.h"
#include "desktop/wayland/wltoplevels.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client.h"

namespace orvanel {

struct WaylandDesktop::Impl {
    // Declared in the order they are built; destroyed the other way round.
    std::unique_ptr<wl::Connection> connection;
    std::unique_ptr<wl::Toplevels> toplevels;
    wl::KeymapPlan plan;
    posix::GuardLink guard;
    std::unique_ptr<wl::VirtualKeyboard> sink;
    std::unique_ptr<wl::WlKeyboard> keyboard;
    posix::LockedHintQuery lockQuery;

    bool Dead() const { return connection->Dead(); }
    wl::Toplevel* Window(WindowHandle window) { return toplevels->Get(window); }
};

std::unique_ptr<WaylandDesktop> WaylandDesktop::Open(std::string& error, Failure& failure) {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    failure = Failure::NoCompositor;
    if (name == nullptr || name[0] == '\0') {
        error = "No Wayland session: WAYLAND_DISPLAY is not set.";
        return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    impl->connection = wl::Connection::Connect();
    if (!impl->connection) {
        error = std::string("Cannot connect to the Wayland compositor \"") + name + "\".";
        return nullptr;
    }
    wl::Connection& c = *impl->connection;
    if (c.seat == nullptr || c.keyboards == nullptr || c.toplevels == nullptr) {
        failure = Failure::MissingProtocols;
        error = c.seat == nullptr ? "the compositor offers no seat"
                : c.keyboards == nullptr
                    ? "the compositor offers no virtual keyboards (zwp_virtual_keyboard_v1)"
                    : "the compositor does not list the windows of other programs "
                      "(zwlr_foreign_toplevel_manager_v1)";
        if (c.keyboards == nullptr && c.toplevels == nullptr) {
            error = "the compositor offers neither the list of other programs' windows "
                    "(zwlr_foreign_toplevel_manager_v1) nor virtual keyboards "
                    "(zwp_virtual_keyboard_v1)";
        }
        return nullptr;
    }
    failure = Failure::Other;
    impl->toplevels = std::make_unique<wl::Toplevels>(c.toplevels);
    c.toplevels = nullptr; // the list owns it now
    std::string keymap;
    wl::ModifierMasks masks;
    if (!wl::CompileKeymap(impl->plan, keymap, masks, error)) {
        return nullptr;
    }
    impl->sink = std::make_unique<wl::VirtualKeyboard>(c);
    if (!impl->sink->Upload(keymap, error) || !c.Roundtrip()) {
        return nullptr;
    }
    wl::StartReleaseGuard(impl->guard);
    impl->keyboard = std::make_unique<wl::WlKeyboard>(impl->plan, masks, *impl->sink, impl->guard);
    failure = Failure::Opened;
    return std::unique_ptr<WaylandDesktop>(new WaylandDesktop(std::move(impl)));
}

WaylandDesktop::WaylandDesktop(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

WaylandDesktop::~WaylandDesktop() {
    if (!impl_->Dead()) {
        impl_->keyboard->ReleaseEverything();
        impl_->connection->Roundtrip();
    }
    posix::StopReleaseGuard(impl_->guard);
}

// ---- keyboard ----

void WaylandDesktop::keybd_event(std::uint8_t virtualKey, std::uint8_t /*scanCode*/,
                                 std::uint32_t flags, std::uintptr_t /*extraInfo*/) {
    if (!impl_->Dead()) {
        impl_->keyboard->KeyEvent(virtualKey, (flags & kKeyEventKeyUp) != 0);
    }
}

std::int16_t WaylandDesktop::LendVk(unsigned char character) {
    return impl_->keyboard->LendVk(character);
}

// ---- windows ----

WindowHandle WaylandDesktop::FindWindowA(const char* /*className*/, const char* title) {
    if (title == nullptr || title[0] == '\0' || !impl_->connection->Roundtrip()) {
        return kNoWindow;
    }
    return impl_->toplevels->Find(Cp1252ToUtf8(title));
}

InputBlock WaylandDesktop::InputBlocked() {
    return posix::SessionLocked(impl_->lockQuery) ? InputBlock::ScreenLocked : InputBlock::Clear;
}

WindowHandle WaylandDesktop::GetForegroundWindow() {
    if (impl_->Dead() || !impl_->connection->Roundtrip()) {
        return kNoWindow;
    }
    return impl_->toplevels->Active();
}

FocusState WaylandDesktop::FocusIsWith(WindowHandle window) {
    const WindowHandle active = GetForegroundWindow();
    // No activated window: a lock screen or a panel may have the keyboard,
    // or the compositor does not say; only another window is known to be wrong.
    if (active == kNoWindow) {
        return FocusState::Unknown;
    }
    return impl_->toplevels->IsOrBelongsTo(active, window) ? FocusState::WithWindow
                                                           : FocusState::Elsewhere;
}

bool WaylandDesktop::ShowWindow(WindowHandle window, int /*showCommand*/) {
    wl::Toplevel* w = impl_->Window(window);
    if (impl_->Dead() || w == nullptr) {
        return false;
    }
    zwlr_foreign_toplevel_handle_v1_unset_minimized(w->handle);
    if (w->maximized) {
        zwlr_foreign_toplevel_handle_v1_unset_maximized(w->handle);
    }
    return impl_->connection->Roundtrip();
}

bool WaylandDesktop::SetForegroundWindow(WindowHandle window) {
    wl::Toplevel* w = impl_->Window(window);
    if (impl_->Dead() || w == nullptr) {
        return false;
    }
    zwlr_foreign_toplevel_handle_v1_activate(w->handle, impl_->connection->seat);
    return impl_->connection->Flush();
}

// Returns as soon as the compositor says the window is active; asks again
// every 300 ms and gives up after 2 s (posix::FocusWait), so a dead window
// cannot hang a task.
std::intptr_t WaylandDesktop::SendMessageA(WindowHandle window, std::uint32_t message,
                                           std::uintptr_t /*wParam*/, std::intptr_t /*lParam*/) {
    if (message != kWmSetFocus) {
        return 0;
    }
    posix::FocusWait wait;
    for (;;) {
        wl::Toplevel* w = impl_->Window(window);
        const posix::FocusWait::Clock::time_point now = posix::FocusWait::Clock::now();
        if (impl_->Dead() || w == nullptr || w->activated || wait.Over(now)) {
            return 0;
        }
        if (wait.RetryDue(now)) {
            zwlr_foreign_toplevel_handle_v1_activate(w->handle, impl_->connection->seat);
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(wait.UntilNext(now));
        impl_->connection->Pump(static_cast<int>(left.count()) + 1);
    }
}

// ---- beyond the interface ----

void WaylandDesktop::ReleaseAll() {
    if (!impl_->Dead()) {
        impl_->keyboard->ReleaseEverything();
    }
}

bool WaylandDesktop::IsActive(WindowHandle window) {
    impl_->connection->Roundtrip();
    wl::Toplevel* w = impl_->Window(window);
    return w != nullptr && w->activated;
}

void WaylandDesktop::SetSessionLockQuery(posix::LockedHintQuery query) {
    impl_->lockQuery = std::move(query);
}

int WaylandDesktop::ReleaseGuardProcess() const {
    return static_cast<int>(impl_->guard.pid);
}

} // namespace orvanel
