// The X11 side of the release guard (see desktop/posix/releaseguard.h): what
// the guard does on a connection of its own to the display once the program
// has ended.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cstdlib>
#include <string>

#include "desktop/x11/x11session.h"

namespace orvanel::x11 {

namespace {

constexpr const char* kGuardKind = "1";
constexpr const char* kDisplayVariable = "ORVANEL_RELEASE_GUARD_DISPLAY";

void* OpenGuardDisplay() {
    const char* name = std::getenv(kDisplayVariable);
    return XOpenDisplay(name != nullptr && name[0] != '\0' ? name : nullptr);
}

// Releases what the program left down: every key the page shows down, and
// every key the program pressed that the server still shows down (a release
// the program had queued may have died with its connection; the server
// ignores a release of a key that is up). Borrowed keycodes that still hold
// the program's keysym are given back.
void ReleaseLeftKeys(void* context, const KeyPage& page) {
    auto* display = static_cast<Display*>(context);
    char down[32] = {};
    XQueryKeymap(display, down);
    for (int kc = 8; kc < 256; ++kc) {
        const bool serverDown = ((down[kc / 8] >> (kc % 8)) & 1) != 0;
        if (page.pressed[kc].load() != 0 || (page.everPressed[kc].load() != 0 && serverDown)) {
            XTestFakeKeyEvent(display, static_cast<unsigned>(kc), False, CurrentTime);
        }
    }
    for (int kc = 8; kc < 256; ++kc) {
        if (page.bound[kc].load() == 0) {
            continue;
        }
        int perKeycode = 0;
        KeySym* syms = XGetKeyboardMapping(display, static_cast<KeyCode>(kc), 1, &perKeycode);
        const bool stillOurs =
            syms != nullptr && perKeycode > 0 && syms[0] == page.boundKeysym[kc].load();
        XFree(syms);
        if (stillOurs) {
            KeySym none = NoSymbol;
            XChangeKeyboardMapping(display, kc, 1, &none, 1);
        }
    }
    XSync(display, False);
}

[[maybe_unused]] const bool gRunAsGuard = [] {
    if (posix::IsReleaseGuard(kGuardKind)) {
        posix::RunReleaseGuard(OpenGuardDisplay, ReleaseLeftKeys);
    }
    return false;
}();

} // namespace

void StartReleaseGuard(Registration& registration, const char* displayName) {
    posix::StartReleaseGuard(
        registration.guard, kGuardKind,
        {std::string(kDisplayVariable) + "=" + (displayName != nullptr ? displayName : "")});
}

void StopReleaseGuard(Registration& registration) {
    posix::StopReleaseGuard(registration.guard);
}

} // namespace orvanel::x11
