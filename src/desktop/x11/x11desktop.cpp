#include "desktop/x11/x11desktop.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "desktop/posix/lockedhint.h"
#include "desktop/posix/sleepfor.h"
#include "desktop/x11/ewmhwindows.h"
#include "desktop/x11/focusquery.h"
#include "desktop/x11/inputprobe.h"
#include "desktop/x11/stopkeywatch.h"
#include "desktop/x11/x11keyboard.h"
#include "desktop/x11/x11session.h"
#include "desktop/x11/xkbkeymap.h"

namespace orvanel {

using x11::XGuard;

namespace {

struct DisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};

} // namespace

struct X11Desktop::Impl {
    std::unique_ptr<Display, DisplayCloser> display;
    x11::Registration registration;
    std::unique_ptr<x11::XkbKeymap> keymap;
    std::unique_ptr<x11::X11Keyboard> keyboard;
    std::unique_ptr<x11::EwmhWindows> windows;
    std::unique_ptr<x11::FocusQuery> focus;
    std::unique_ptr<x11::StopKeyWatch> stopKey;
    posix::LockedHintQuery lockQuery;

    Impl() = default;
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
    // Whichever way the backend goes, a failed open included, the exit
    // handler must no longer find it.
    ~Impl() {
        x11::Unregister(registration);
        x11::StopReleaseGuard(registration);
    }

    // After exit() ended the connection, nothing may touch it.
    bool Dead() const { return registration.dead.load(); }
};

std::unique_ptr<X11Desktop> X11Desktop::Open(const char* displayName, std::string& error) {
    const char* name = displayName != nullptr ? displayName : std::getenv("DISPLAY");
    if (name == nullptr || name[0] == '\0') {
        error = "No X display: DISPLAY is not set (Orvanel needs an X11 desktop to run on).";
        return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    impl->display.reset(XOpenDisplay(name));
    if (!impl->display) {
        error = std::string("Cannot open the X display \"") + name +
                "\" (is an X server running, and may this user use it?).";
        return nullptr;
    }
    Display* dpy = impl->display.get();
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (XTestQueryExtension(dpy, &eventBase, &errorBase, &major, &minor) == 0) {
        error = std::string("The X display \"") + name + "\" lacks the XTEST extension.";
        return nullptr;
    }
    int opcode = 0, xkbEventType = 0, xkbError = 0;
    major = XkbMajorVersion;
    minor = XkbMinorVersion;
    if (XkbQueryExtension(dpy, &opcode, &xkbEventType, &xkbError, &major, &minor) == 0) {
        error = std::string("The X display \"") + name + "\" lacks the XKEYBOARD extension.";
        return nullptr;
    }
    impl->registration.display = dpy;
    x11::StartReleaseGuard(impl->registration, name);
    // Registered before the first request that may fail.
    if (!x11::Register(impl->registration)) {
        error = "Too many X desktop connections are open.";
        return nullptr;
    }

    XGuard guard;
    impl->windows = std::make_unique<x11::EwmhWindows>(dpy, impl->registration);
    impl->focus = std::make_unique<x11::FocusQuery>(dpy, *impl->windows);
    impl->stopKey = std::make_unique<x11::StopKeyWatch>(name);
    impl->keymap = std::make_unique<x11::XkbKeymap>(dpy);
    impl->keymap->Watch(xkbEventType);
    if (!impl->keymap->Reload({})) {
        error = std::string("Cannot read the keyboard map of the X display \"") + name + "\".";
        return nullptr;
    }
    impl->keyboard = std::make_unique<x11::X11Keyboard>(dpy, *impl->keymap, impl->registration);
    return std::unique_ptr<X11Desktop>(new X11Desktop(std::move(impl)));
}

X11Desktop::X11Desktop(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

X11Desktop::~X11Desktop() {
    if (!impl_) {
        return;
    }
    impl_->stopKey.reset(); // joins the watcher, which takes the XGuard itself
    XGuard guard;
    if (impl_->Dead()) {
        (void)impl_->display.release(); // ended already; closing would fail
    } else {
        impl_->keyboard->ReleaseEverything();
    }
    x11::Unregister(impl_->registration);
    x11::StopReleaseGuard(impl_->registration);
    impl_->display.reset();
}

// ---- keyboard ----

void X11Desktop::keybd_event(std::uint8_t virtualKey, std::uint8_t /*scanCode*/,
                             std::uint32_t flags, std::uintptr_t /*extraInfo*/) {
    XGuard guard;
    if (!impl_->Dead()) {
        impl_->keyboard->KeyEvent(virtualKey, (flags & kKeyEventKeyUp) != 0);
    }
}

std::int16_t X11Desktop::LendVk(unsigned char character) {
    return impl_->keyboard->LendVk(character);
}

// ---- windows ----

WindowHandle X11Desktop::FindWindowA(const char* /*className*/, const char* title) {
    if (title == nullptr || title[0] == '\0') {
        return kNoWindow;
    }
    XGuard guard;
    return impl_->Dead() ? kNoWindow : impl_->windows->Find(title);
}

bool X11Desktop::ShowWindow(WindowHandle window, int showCommand) {
    XGuard guard;
    const auto w = static_cast<Window>(window);
    if (impl_->Dead() || !impl_->windows->Exists(w)) {
        return false;
    }
    return impl_->windows->Show(w, showCommand);
}

bool X11Desktop::SetForegroundWindow(WindowHandle window) {
    XGuard guard;
    const auto w = static_cast<Window>(window);
    if (impl_->Dead() || !impl_->windows->Exists(w)) {
        return false;
    }
    impl_->windows->Activate(w);
    return true;
}

// Returns as soon as the window, or one inside it, has the focus; asks again
// every 300 ms and gives up after 2 s (posix::FocusWait), so a dead window
// cannot hang a task.
std::intptr_t X11Desktop::SendMessageA(WindowHandle window, std::uint32_t message,
                                       std::uintptr_t /*wParam*/, std::intptr_t /*lParam*/) {
    if (message != kWmSetFocus) {
        return 0;
    }
    const auto w = static_cast<Window>(window);
    posix::FocusWait wait;
    auto pause = std::chrono::microseconds(500);
    for (;;) {
        {
            XGuard guard;
            x11::EwmhWindows& windows = *impl_->windows;
            if (impl_->Dead() || !windows.Exists(w) || windows.HasFocus(w)) {
                return 0;
            }
            const posix::FocusWait::Clock::time_point now = posix::FocusWait::Clock::now();
            if (wait.Over(now)) {
                return 0;
            }
            if (wait.RetryDue(now)) {
                windows.Activate(w); // the first request may have come too early
            }
        }
        posix::SleepFor(pause);
        pause = std::min<std::chrono::microseconds>(pause * 2, std::chrono::milliseconds(20));
    }
}

// ---- what stands between the keys and the window ----

// The cheap questions to the X server first; logind costs a process.
InputBlock X11Desktop::InputBlocked() {
    Display* dpy = impl_->display.get();
    if (x11::SaverActive(dpy, impl_->registration)) {
        return InputBlock::ScreenLocked;
    }
    if (x11::KeyboardHeldElsewhere(dpy, impl_->registration)) {
        return InputBlock::KeyboardHeld;
    }
    if (posix::SessionLocked(impl_->lockQuery)) {
        return InputBlock::ScreenLocked;
    }
    return InputBlock::Clear;
}

WindowHandle X11Desktop::GetForegroundWindow() {
    XGuard guard;
    return impl_->Dead() ? kNoWindow : impl_->focus->Foreground();
}

FocusState X11Desktop::FocusIsWith(WindowHandle window) {
    XGuard guard;
    return impl_->Dead() ? FocusState::Unknown : impl_->focus->IsWith(static_cast<Window>(window));
}

bool X11Desktop::StartStopKeyWatch() {
    return impl_->stopKey->Start();
}

bool X11Desktop::StopKeyPressed() {
    return impl_->stopKey->Pressed();
}

void X11Desktop::EndStopKeyWatch() {
    impl_->stopKey->End();
}

// ---- beyond the interface ----

void X11Desktop::SetSessionLockQuery(posix::LockedHintQuery query) {
    impl_->lockQuery = std::move(query);
}

void X11Desktop::ReleaseAll() {
    XGuard guard;
    if (!impl_->Dead()) {
        impl_->keyboard->ReleaseEverything();
    }
}

bool X11Desktop::WindowManagerRunning() {
    XGuard guard;
    return !impl_->Dead() && impl_->windows->WmRunning();
}

WindowHandle X11Desktop::FocusWindow() {
    XGuard guard;
    return impl_->Dead() ? kNoWindow : impl_->windows->Focus();
}

int X11Desktop::ReleaseGuardProcess() const {
    return static_cast<int>(impl_->registration.guard.pid);
}

int X11Desktop::BoundSpareKeycodes() const {
    return impl_->keyboard->BoundSpareKeycodes();
}

} // namespace orvanel
