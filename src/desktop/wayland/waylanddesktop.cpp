#include "desktop/wayland/waylanddesktop.h"

#include <wayland-client.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <utility>

#include "desktop/localtime.h"
#include "desktop/posix/localeinfo.h"
#include "desktop/posix/shell.h"
#include "desktop/posix/sleepfor.h"
#include "desktop/posix/tickcount.h"
#include "desktop/uslayout.h"
#include "desktop/wayland/wlconnection.h"
#include "desktop/wayland/wlkeyboard.h"
#include "desktop/wayland/wlkeymap.h"
#include "desktop/wayland/wlreleaseguard.h"
#include "desktop/wayland/wltoplevels.h"
#include "desktop/x11/vkkeysyms.h"
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

std::int16_t WaylandDesktop::VkKeyScanA(char character) {
    const auto c = static_cast<unsigned char>(character);
    const std::int16_t us = uslayout::VkKeyScanA(c);
    if (us != -1 || c < 0x80 || x11::Undefined1252(c)) {
        return us;
    }
    return impl_->keyboard->LendVk(c);
}

bool WaylandDesktop::CharToOemA(const char* source, char* destination) {
    return uslayout::CharToOem(source, destination);
}

std::uint32_t WaylandDesktop::OemKeyScan(std::uint16_t oemCharacter) {
    return uslayout::OemKeyScan(oemCharacter);
}

std::uint32_t WaylandDesktop::MapVirtualKeyA(std::uint32_t code, std::uint32_t mapType) {
    if ((mapType == kMapVkToVsc || mapType == 2) &&
        x11::IsLentVk(static_cast<std::uint8_t>(code))) {
        return 0; // lent codes sit on no key
    }
    return uslayout::MapVirtualKey(code, mapType);
}

// ---- windows ----

WindowHandle WaylandDesktop::FindWindowA(const char* /*className*/, const char* title) {
    if (title == nullptr || title[0] == '\0' || !impl_->connection->Roundtrip()) {
        return kNoWindow;
    }
    std::string utf8;
    for (const char* p = title; *p != '\0'; ++p) {
        const char32_t c = Cp1252ToUnicode(static_cast<unsigned char>(*p));
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else if (c < 0x800) {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            utf8 += static_cast<char>(0xE0 | (c >> 12));
            utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return impl_->toplevels->Find(utf8);
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
// every 300 ms and gives up after 2 s, so a dead window cannot hang a task.
std::intptr_t WaylandDesktop::SendMessageA(WindowHandle window, std::uint32_t message,
                                           std::uintptr_t /*wParam*/, std::intptr_t /*lParam*/) {
    using Clock = std::chrono::steady_clock;
    if (message != kWmSetFocus) {
        return 0;
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(2);
    Clock::time_point retry = Clock::now() + std::chrono::milliseconds(300);
    for (;;) {
        wl::Toplevel* w = impl_->Window(window);
        const Clock::time_point now = Clock::now();
        if (impl_->Dead() || w == nullptr || w->activated || now >= deadline) {
            return 0;
        }
        if (now >= retry) {
            zwlr_foreign_toplevel_handle_v1_activate(w->handle, impl_->connection->seat);
            retry = now + std::chrono::milliseconds(300);
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::min(deadline, retry) - now);
        impl_->connection->Pump(static_cast<int>(left.count()) + 1);
    }
}

std::intptr_t WaylandDesktop::ShellExecuteA(WindowHandle /*owner*/, const char* operation,
                                            const char* file, const char* /*parameters*/,
                                            const char* directory, int /*showCommand*/) {
    if (operation != nullptr && std::strcmp(operation, kShellVerb) != 0) {
        return posix::kShellNoAssociation;
    }
    return posix::RunShellPlan(posix::PlanShellOpen(file, directory));
}

// ---- waiting, time and locale ----

void WaylandDesktop::Sleep(std::uint32_t milliseconds) {
    posix::SleepFor(std::chrono::milliseconds(milliseconds));
}

std::uint32_t WaylandDesktop::GetTickCount() {
    return posix::TickCount();
}

SystemTime WaylandDesktop::GetLocalTime() {
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    return LocalTimeFromEpoch(static_cast<std::int64_t>(now.tv_sec) * 1000 +
                              now.tv_nsec / 1'000'000);
}

LocaleInfo WaylandDesktop::GetLocaleInfoA() {
    return posix::LocaleInfoFromTexts(posix::CurrentLocaleTexts(), posix::CurrentTimeLocaleIsC());
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
