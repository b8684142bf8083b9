// Releasing held keys when the process ends.
//
// Every open backend registers the keycodes it holds down and the spare
// keycodes it has bound. The backend releases and restores them when it
// closes, and an exit() handler does so for a backend that is still open when
// the program exits. Every Xlib section of the backends runs under an XGuard,
// which the exit handler takes as well. The release itself only queues
// requests and writes them out; the X server carries out what it has
// received before it sees the connection close.
//
// Signals (SIGTERM, SIGKILL), crashes (SIGSEGV, SIGBUS, an abort inside a
// library) and every other end leave no handler a safe chance: Xlib may hold
// its lock when a signal arrives. The X server keeps a key pressed through
// XTEST down after its client is gone, so each backend starts a release
// guard: a small process of its own (this program run again, see
// releaseguard.cpp) that shares the backend's key page and holds the reading
// end of a pipe whose writing end only the backend holds. When the program
// ends in any way, the guard reads the end of the file, releases on a
// connection of its own every key the page still shows down (and every key
// the program pressed that the server still shows down), gives the borrowed
// keycodes back and exits. When the backend closes normally it marks the page
// closed first, and the guard just exits. The program installs no signal
// handler of its own.
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <atomic>
#include <cstdint>

#include "desktop/posix/releaseguard.h"

namespace orvanel::x11 {

using posix::KeyPage;

// What one backend holds, as the handlers and its guard see it.
struct Registration {
    Registration() = default;
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;

    void NotePress(KeyCode kc) { guard.NotePress(kc); }
    void NoteRelease(KeyCode kc) { guard.NoteRelease(kc); }
    void NoteBound(KeyCode kc, KeySym keysym) {
        guard.keys->boundKeysym[kc].store(static_cast<std::uint32_t>(keysym));
        guard.keys->bound[kc].store(1);
    }
    void NoteUnbound(KeyCode kc) { guard.keys->bound[kc].store(0); }

    Display* display = nullptr;
    std::atomic<int> lastError{0};
    // Set once the connection has been ended for good (at exit).
    std::atomic<bool> dead{false};
    int slot = -1; // where it is registered; -1 when it is not
    // The release guard and the key page shared with it (the link's own page
    // when no guard runs).
    posix::GuardLink guard;
};

// Makes the exit handler and the X error handler know
// `registration` (its display must be set), installing them on first use.
// False when too many backends are open.
bool Register(Registration& registration);

// Forgets `registration`; nothing happens when it is not registered. Every
// backend that registered calls this before it goes, however it goes.
void Unregister(Registration& registration);

// Starts the release guard of `registration` for the display `displayName`
// (null: $DISPLAY). When it cannot, the program goes on without one and says
// so once on standard error.
void StartReleaseGuard(Registration& registration, const char* displayName);

// Tells the guard that the backend closes normally (every key is up) and lets
// it go.
void StopReleaseGuard(Registration& registration);

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
