#include "desktop/kde/kdedesktop.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "desktop/cp1252.h"
#include "desktop/dbus/bus.h"
#include "desktop/kde/kdekeyboard.h"
#include "desktop/kde/kdereleaseguard.h"
#include "desktop/kde/kdesession.h"
#include "desktop/kde/kdestopkey.h"
#include "desktop/kde/kwinconnection.h"
#include "desktop/kde/kxkbrc.h"
#include "desktop/kde/layoutkeys.h"
#include "desktop/kde/plasmawindows.h"
#include "desktop/posix/lockedhint.h"

namespace orvanel {

namespace {

using Clock = std::chrono::steady_clock;

// Keymap and layout changes are looked for at most this often while typing.
constexpr Clock::duration kRefreshEvery = std::chrono::milliseconds(20);

} // namespace

struct KdeDesktop::Impl {
    // Declared in the order they are built; destroyed the other way round.
    std::unique_ptr<dbus::Bus> bus; // null without a session bus
    std::unique_ptr<kde::KdeSession> session;
    std::unique_ptr<kde::KdeStopKey> stopKey;
    std::unique_ptr<kde::Connection> connection;
    std::unique_ptr<kde::PlasmaWindows> windows;
    kde::LayoutKeys layout;
    posix::GuardLink guard;
    std::unique_ptr<kde::FakeKeys> sink;
    std::unique_ptr<kde::KdeKeyboard> keyboard;
    Clock::time_point lastRefresh{};

    bool Dead() const { return connection->Dead(); }

    // Brings the window list up to date: a window KWin has just announced
    // sends its first state a round trip later. Also takes in layout changes.
    bool Sync() {
        bool alive = connection->Roundtrip();
        for (int i = 0; alive && i < 3 && windows->Pending(); ++i) {
            alive = connection->Roundtrip();
        }
        if (bus) {
            bus->Dispatch();
        }
        return alive;
    }

    // Takes in keymap and layout changes, at most every kRefreshEvery.
    void Refresh() {
        const Clock::time_point now = Clock::now();
        if (now - lastRefresh < kRefreshEvery) {
            return;
        }
        lastRefresh = now;
        connection->Pump(0);
        if (bus) {
            bus->Dispatch();
        }
    }

    // Reads the user's layout: from the keymap KWin sends every client,
    // else from KDE's keyboard settings. Empty when it can, else why not.
    std::string ReadLayout() {
        std::string error;
        connection->WatchKeymap([this](const std::string& text) {
            std::string why;
            layout.Load(text, why);
        });
        connection->Roundtrip();
        if (layout.Loaded()) {
            return {};
        }
        const kde::LayoutSetting setting = kde::ReadLayoutSetting();
        if (!setting.layout.empty() && layout.LoadNames(setting.layout, setting.variant, error)) {
            return {};
        }
        return error.empty() ? "KWin sent no keyboard map and KDE's keyboard settings name no "
                               "layout"
                             : error;
    }
};

std::unique_ptr<KdeDesktop> KdeDesktop::Open(std::string& error, Failure& failure,
                                             std::string& notice) {
    failure = Failure::NoCompositor;
    const char* name = std::getenv("WAYLAND_DISPLAY");
    if (name == nullptr || name[0] == '\0') {
        error = "No Wayland session: WAYLAND_DISPLAY is not set.";
        return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    std::string busError;
    impl->bus = dbus::Bus::OpenSession(busError);
    if (!impl->bus ||
        impl->bus->NameOwner("org.kde.KWin", std::chrono::milliseconds(500)).empty()) {
        failure = Failure::NotKWin;
        error = "the compositor is not KWin";
        return nullptr;
    }
    impl->connection = kde::Connection::Connect();
    if (!impl->connection) {
        error = std::string("Cannot connect to the Wayland compositor \"") + name + "\".";
        return nullptr;
    }
    kde::Connection& c = *impl->connection;
    if (c.seat == nullptr || c.fakeInput == nullptr || c.windowsGlobal == 0) {
        failure = Failure::MissingProtocols;
        error = "KWin does not let this program list windows and type "
                "(org_kde_plasma_window_management, org_kde_kwin_fake_input): no installed "
                "desktop file with its path in Exec names them in X-KDE-Wayland-Interfaces";
        return nullptr;
    }
    failure = Failure::Other;
    impl->windows = std::make_unique<kde::PlasmaWindows>(c.BindWindows());
    if (!c.Roundtrip() || !c.Roundtrip()) {
        error = "KWin closed the connection.";
        return nullptr;
    }
    if (const std::string why = impl->ReadLayout(); !why.empty()) {
        notice = "The keyboard layout cannot be read (" + why +
                 "): characters are not typed, and each run names them.";
        std::fprintf(stderr, "Orvanel: %s\n", notice.c_str());
    }
    impl->session = std::make_unique<kde::KdeSession>(*impl->bus);
    impl->layout.SetLayout(impl->session->ActiveLayout());
    impl->session->WatchLayout(
        [layout = &impl->layout](std::uint32_t index) { layout->SetLayout(index); });
    impl->stopKey = std::make_unique<kde::KdeStopKey>(*impl->bus);
    impl->sink = std::make_unique<kde::FakeKeys>(c);
    kde::StartReleaseGuard(impl->guard);
    impl->keyboard = std::make_unique<kde::KdeKeyboard>(impl->layout, *impl->sink, impl->guard);
    failure = Failure::Opened;
    return std::unique_ptr<KdeDesktop>(new KdeDesktop(std::move(impl)));
}

KdeDesktop::KdeDesktop(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

KdeDesktop::~KdeDesktop() {
    if (!impl_->Dead()) {
        impl_->keyboard->ReleaseEverything();
        impl_->connection->Roundtrip();
    }
    posix::StopReleaseGuard(impl_->guard);
}

// ---- keyboard ----

void KdeDesktop::keybd_event(std::uint8_t virtualKey, std::uint8_t /*scanCode*/,
                             std::uint32_t flags, std::uintptr_t /*extraInfo*/) {
    if (impl_->Dead()) {
        return;
    }
    const bool up = (flags & kKeyEventKeyUp) != 0;
    if (!up) {
        impl_->Refresh();
    }
    impl_->keyboard->KeyEvent(virtualKey, up);
}

std::int16_t KdeDesktop::LendVk(unsigned char character) {
    return impl_->keyboard->LendVk(character);
}

UntypedCharacters KdeDesktop::TakeUntypedCharacters() {
    return impl_->keyboard->TakeUntyped();
}

// ---- windows ----

WindowHandle KdeDesktop::FindWindowA(const char* /*className*/, const char* title) {
    if (title == nullptr || title[0] == '\0' || !impl_->Sync()) {
        return kNoWindow;
    }
    return impl_->windows->Find(Cp1252ToUtf8(title));
}

WindowHandle KdeDesktop::GetForegroundWindow() {
    if (impl_->Dead() || !impl_->Sync()) {
        return kNoWindow;
    }
    return impl_->windows->Active();
}

FocusState KdeDesktop::FocusIsWith(WindowHandle window) {
    const WindowHandle active = GetForegroundWindow();
    // No active window: the desktop, a panel or the lock screen has the
    // keyboard, none of them the task's.
    if (impl_->Dead()) {
        return FocusState::Unknown;
    }
    return active != kNoWindow && impl_->windows->IsOrServes(active, window)
               ? FocusState::WithWindow
               : FocusState::Elsewhere;
}

bool KdeDesktop::ShowWindow(WindowHandle window, int /*showCommand*/) {
    if (impl_->Dead() || impl_->windows->Get(window) == nullptr) {
        return false;
    }
    impl_->windows->Show(window, true, false);
    return impl_->connection->Roundtrip();
}

bool KdeDesktop::SetForegroundWindow(WindowHandle window) {
    if (impl_->Dead() || impl_->windows->Get(window) == nullptr) {
        return false;
    }
    impl_->windows->Show(window, false, true);
    return impl_->connection->Flush();
}

// Returns as soon as KWin says the window is active; asks again every
// 300 ms and gives up after 2 s (posix::FocusWait), so a dead window cannot
// hang a task.
std::intptr_t KdeDesktop::SendMessageA(WindowHandle window, std::uint32_t message,
                                       std::uintptr_t /*wParam*/, std::intptr_t /*lParam*/) {
    if (message != kWmSetFocus) {
        return 0;
    }
    posix::FocusWait wait;
    for (;;) {
        const kde::PlasmaWindow* w = impl_->windows->Get(window);
        const posix::FocusWait::Clock::time_point now = posix::FocusWait::Clock::now();
        if (impl_->Dead() || w == nullptr || impl_->windows->Active() == window || wait.Over(now)) {
            return 0;
        }
        if (wait.RetryDue(now)) {
            impl_->windows->Show(window, false, true);
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(wait.UntilNext(now));
        impl_->connection->Pump(static_cast<int>(left.count()) + 1);
    }
}

// ---- waiting ----

void KdeDesktop::Sleep(std::uint32_t milliseconds) {
    impl_->connection->Flush();
    PosixDesktop::Sleep(milliseconds);
}

// ---- unattended safety ----

InputBlock KdeDesktop::InputBlocked() {
    if (impl_->session->ScreenLocked() || posix::SessionLocked(posix::LockedHintQuery{})) {
        return InputBlock::ScreenLocked;
    }
    return InputBlock::Clear;
}

bool KdeDesktop::StartStopKeyWatch() {
    return impl_->stopKey->Start();
}

bool KdeDesktop::StopKeyPressed() {
    return impl_->stopKey->Pressed();
}

void KdeDesktop::EndStopKeyWatch() {
    impl_->stopKey->End();
}

// ---- beyond the interface ----

void KdeDesktop::ReleaseAll() {
    if (!impl_->Dead()) {
        impl_->keyboard->ReleaseEverything();
    }
}

int KdeDesktop::ReleaseGuardProcess() const {
    return static_cast<int>(impl_->guard.pid);
}

} // namespace orvanel
