// Releasing held keys when the process ends.
//
// Every open backend registers the keycodes it holds down and the spare
// keycodes it has bound. The backend releases and restores them when it
// closes; so do an exit() handler and a handler for the terminating signals.
// A signal can arrive while the program is inside Xlib on that same
// connection, where a second request would corrupt the stream: every Xlib
// section of the backend therefore runs under an XGuard, and a signal that
// finds the guard taken only leaves a note, which the guard's owner acts on
// as it leaves the section. The release itself only queues requests and
// writes them out (no reply is awaited, no memory is allocated); the X server
// carries out what it has received before it sees the connection close.
#pragma once

#include <X11/Xlib.h>

#include <atomic>
#include <cstdint>

namespace orvanel::x11 {

// What one backend holds, as the handlers see it.
struct Registration {
    Display* display = nullptr;
    std::atomic<std::uint8_t> pressed[256] = {};
    std::atomic<bool> bound[256] = {};
    std::atomic<int> lastError{0};
    // Set once the connection has been ended for good (exit, signal).
    std::atomic<bool> dead{false};
    int slot = -1; // where it is registered; -1 when it is not
};

// Makes the exit and signal handlers and the X error handler know
// `registration` (its display must be set), installing them on first use.
// False when too many backends are open.
bool Register(Registration& registration);

// Forgets `registration`; nothing happens when it is not registered. Every
// backend that registered calls this before it goes, however it goes.
void Unregister(Registration& registration);

// Holds the right to talk on the backends' connections for as long as it
// lives; nests within one thread.
class XGuard {
public:
    XGuard();
    ~XGuard();
    XGuard(const XGuard&) = delete;
    XGuard& operator=(const XGuard&) = delete;
};

} // namespace orvanel::x11
