#include "desktop/x11/inputprobe.h"

#include <X11/extensions/scrnsaver.h>

#include <chrono>

#include "desktop/posix/sleepfor.h"

namespace orvanel::x11 {

namespace {

constexpr int kGrabTries = 3;
constexpr auto kGrabRetryPause = std::chrono::milliseconds(15);

// True, false, or (as -1) nothing to say because the connection is gone.
int TryGrab(Display* display, const Registration& registration) {
    XGuard guard;
    if (registration.dead.load()) {
        return -1;
    }
    const int result = XGrabKeyboard(display, DefaultRootWindow(display), False, GrabModeAsync,
                                     GrabModeAsync, CurrentTime);
    if (result == GrabSuccess) {
        XUngrabKeyboard(display, CurrentTime);
        XFlush(display);
        return 0;
    }
    // GrabNotViewable and GrabInvalidTime cannot come from the root window
    // and the current time; only a grab of another client counts.
    return result == AlreadyGrabbed || result == GrabFrozen ? 1 : 0;
}

} // namespace

bool SaverActive(Display* display, const Registration& registration) {
    XGuard guard;
    if (registration.dead.load()) {
        return false;
    }
    int eventBase = 0, errorBase = 0;
    if (XScreenSaverQueryExtension(display, &eventBase, &errorBase) == 0) {
        return false;
    }
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    if (info == nullptr) {
        return false;
    }
    const bool on = XScreenSaverQueryInfo(display, DefaultRootWindow(display), info) != 0 &&
                    info->state == ScreenSaverOn;
    XFree(info);
    return on;
}

bool KeyboardHeldElsewhere(Display* display, const Registration& registration) {
    for (int attempt = 0; attempt < kGrabTries; ++attempt) {
        if (attempt > 0) {
            posix::SleepFor(kGrabRetryPause);
        }
        if (TryGrab(display, registration) != 1) {
            return false;
        }
    }
    return true;
}

} // namespace orvanel::x11
