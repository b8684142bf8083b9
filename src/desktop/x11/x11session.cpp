#include "desktop/x11/x11session.h"

#include <X11/extensions/XTest.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orvanel::x11 {

namespace {

constexpr int kMaxBackends = 16;
std::atomic<Registration*> gBackends[kMaxBackends];
std::atomic<int> gXState{0}; // 0 idle, 1 inside Xlib, 2 releasing for good
thread_local int tGuardDepth = 0;
XErrorHandler gPreviousErrorHandler = nullptr;

// Releases what every backend holds and ends its connection: the X server
// drops requests that it has not read when a connection closes, so the
// connection is shut for writing and read until the server, having carried
// out every request, closes it (bounded by half a second).
void ReleaseRegistered() {
    for (auto& slot : gBackends) {
        Registration* r = slot.load();
        if (r == nullptr || r->display == nullptr || r->dead.load()) {
            continue;
        }
        for (int kc = 0; kc < 256; ++kc) {
            if (r->guard.keys->pressed[kc].exchange(0) != 0) {
                XTestFakeKeyEvent(r->display, static_cast<unsigned>(kc), False, CurrentTime);
            }
        }
        for (int kc = 0; kc < 256; ++kc) {
            if (r->guard.keys->bound[kc].exchange(0) != 0) {
                KeySym none = NoSymbol;
                XChangeKeyboardMapping(r->display, kc, 1, &none, 1);
            }
        }
        XFlush(r->display);
        r->dead.store(true);
        shutdown(ConnectionNumber(r->display), SHUT_WR);
    }
    struct timespec start {};
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (auto& slot : gBackends) {
        Registration* r = slot.load();
        if (r == nullptr || r->display == nullptr) {
            continue;
        }
        const int fd = ConnectionNumber(r->display);
        char sink[512];
        for (;;) {
            struct timespec now {};
            clock_gettime(CLOCK_MONOTONIC, &now);
            const long spent =
                (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1'000'000;
            if (spent >= 500) {
                break;
            }
            struct pollfd p {
                fd, POLLIN, 0
            };
            if (poll(&p, 1, static_cast<int>(500 - spent)) <= 0) {
                break;
            }
            const ssize_t n = read(fd, sink, sizeof sink);
            if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) {
                break; // the server has closed its end: everything is done
            }
        }
    }
}

void OnExit() {
    int idle = 0;
    if (gXState.compare_exchange_strong(idle, 2)) {
        ReleaseRegistered();
        gXState.store(0);
    }
}

int OnXError(Display* display, XErrorEvent* event) {
    for (auto& slot : gBackends) {
        Registration* r = slot.load();
        if (r != nullptr && r->display == display) {
            r->lastError.store(event->error_code);
            return 0;
        }
    }
    return gPreviousErrorHandler != nullptr ? gPreviousErrorHandler(display, event) : 0;
}

void InstallExitHandler() {
    static std::once_flag once;
    std::call_once(once, [] { std::atexit(OnExit); });
}

} // namespace

bool Register(Registration& registration) {
    {
        XGuard guard;
        for (int i = 0; i < kMaxBackends; ++i) {
            Registration* expected = nullptr;
            if (gBackends[i].compare_exchange_strong(expected, &registration)) {
                registration.slot = i;
                break;
            }
        }
        static std::once_flag errorHandlerOnce;
        std::call_once(errorHandlerOnce,
                       [] { gPreviousErrorHandler = XSetErrorHandler(OnXError); });
    }
    if (registration.slot < 0) {
        return false;
    }
    InstallExitHandler();
    return true;
}

void Unregister(Registration& registration) {
    if (registration.slot < 0) {
        return;
    }
    XGuard guard;
    gBackends[registration.slot].store(nullptr);
    registration.slot = -1;
}

XGuard::XGuard() {
    if (tGuardDepth++ > 0) {
        return;
    }
    for (;;) {
        int idle = 0;
        if (gXState.compare_exchange_weak(idle, 1)) {
            return;
        }
        if (idle == 2) {
            // The process is exiting; wait for the end.
            struct timespec t {
                0, 10'000'000
            };
            nanosleep(&t, nullptr);
        } else {
            sched_yield();
        }
    }
}

XGuard::~XGuard() {
    if (--tGuardDepth > 0) {
        return;
    }
    gXState.store(0);
}

} // namespace orvanel::x11
