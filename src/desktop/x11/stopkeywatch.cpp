#include "desktop/x11/stopkeywatch.h"

#include <X11/keysym.h>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace orvanel::x11 {

namespace {

// The modifier bit of a modifier key (e.g. Num_Lock), 0 when no modifier
// holds it.
unsigned ModifierOf(Display* display, KeySym keysym) {
    const KeyCode code = XKeysymToKeycode(display, keysym);
    XModifierKeymap* map = XGetModifierMapping(display);
    unsigned mask = 0;
    if (map != nullptr && code != 0) {
        for (int mod = 0; mod < 8 && mask == 0; ++mod) {
            for (int k = 0; k < map->max_keypermod; ++k) {
                if (map->modifiermap[mod * map->max_keypermod + k] == code) {
                    mask = 1U << mod;
                    break;
                }
            }
        }
    }
    if (map != nullptr) {
        XFreeModifiermap(map);
    }
    return mask;
}

// Ctrl+Alt+Shift with every combination of the lock modifiers.
std::vector<unsigned> StopKeyStates(Display* display) {
    unsigned alt = ModifierOf(display, XK_Alt_L);
    if (alt == 0 || alt == ShiftMask || alt == ControlMask) {
        alt = Mod1Mask;
    }
    const unsigned base = ControlMask | ShiftMask | alt;
    const unsigned locks[] = {LockMask, ModifierOf(display, XK_Num_Lock),
                              ModifierOf(display, XK_Scroll_Lock)};
    std::vector<unsigned> states;
    for (unsigned subset = 0; subset < 8; ++subset) {
        unsigned state = base;
        for (unsigned i = 0; i < 3; ++i) {
            if ((subset & (1U << i)) != 0) {
                state |= locks[i];
            }
        }
        bool seen = false;
        for (unsigned s : states) {
            seen = seen || s == state;
        }
        if (!seen) {
            states.push_back(state);
        }
    }
    return states;
}

} // namespace

StopKeyWatch::StopKeyWatch(const char* displayName)
    : displayName_(displayName != nullptr ? displayName : "") {}

StopKeyWatch::~StopKeyWatch() {
    End();
    if (display_ != nullptr) {
        XGuard guard;
        const bool dead = registration_.dead.load();
        Unregister(registration_);
        if (!dead) {
            XCloseDisplay(display_); // ended already when dead; closing would fail
        }
    }
    for (int fd : wake_) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

bool StopKeyWatch::Open() {
    if (display_ != nullptr) {
        return true;
    }
    if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
        wake_[0] = wake_[1] = -1;
        return false;
    }
    display_ = XOpenDisplay(displayName_.empty() ? nullptr : displayName_.c_str());
    if (display_ == nullptr) {
        return false;
    }
    // Registered so that the one X error handler of the program reports this
    // connection's errors to it (and the exit handlers end it).
    registration_.display = display_;
    if (!Register(registration_)) {
        XCloseDisplay(display_);
        display_ = nullptr;
        return false;
    }
    return true;
}

bool StopKeyWatch::Start() {
    pressed_.store(false);
    if (watching_) {
        return true;
    }
    if (!Open() || !Grab()) {
        return false;
    }
    watcher_ = std::thread([this] { Run(); });
    watching_ = true;
    return true;
}

void StopKeyWatch::End() {
    if (!watching_) {
        return;
    }
    const char wake = 1;
    while (write(wake_[1], &wake, 1) < 0 && errno == EINTR) {
    }
    watcher_.join();
    char sink[16];
    while (read(wake_[0], sink, sizeof sink) > 0) {
    }
    Ungrab();
    watching_ = false;
}

// Reads what came in while nobody watched: a keymap change moves the key.
void StopKeyWatch::DrainEvents() {
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
        } else if (event.type == KeyPress && event.xkey.keycode == keycode_) {
            pressed_.store(true);
            XUngrabKeyboard(display_, CurrentTime);
            XFlush(display_);
        }
    }
}

bool StopKeyWatch::Grab() {
    XGuard guard;
    if (registration_.dead.load()) {
        return false;
    }
    DrainEvents();
    pressed_.store(false);
    keycode_ = XKeysymToKeycode(display_, XK_s);
    if (keycode_ == 0) {
        return false;
    }
    modifiers_ = StopKeyStates(display_);
    const Window root = DefaultRootWindow(display_);
    registration_.lastError.store(0);
    for (unsigned state : modifiers_) {
        XGrabKey(display_, keycode_, state, root, False, GrabModeAsync, GrabModeAsync);
    }
    XSync(display_, False);
    if (registration_.lastError.load() == 0) {
        return true;
    }
    // BadAccess: another client holds the combination (in one of its states).
    for (unsigned state : modifiers_) {
        XUngrabKey(display_, keycode_, state, root);
    }
    XSync(display_, False);
    registration_.lastError.store(0);
    return false;
}

void StopKeyWatch::Ungrab() {
    XGuard guard;
    if (registration_.dead.load()) {
        return;
    }
    const Window root = DefaultRootWindow(display_);
    for (unsigned state : modifiers_) {
        XUngrabKey(display_, keycode_, state, root);
    }
    XSync(display_, False);
}

void StopKeyWatch::Run() {
    struct pollfd fds[2] = {{ConnectionNumber(display_), POLLIN, 0}, {wake_[0], POLLIN, 0}};
    for (;;) {
        {
            XGuard guard;
            if (registration_.dead.load()) {
                return;
            }
            DrainEvents();
        }
        fds[0].revents = fds[1].revents = 0;
        if (poll(fds, 2, -1) < 0 && errno != EINTR) {
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            return; // the server has gone: nothing more can be pressed
        }
    }
}

} // namespace orvanel::x11
