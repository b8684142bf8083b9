// The release guard that the real POSIX backends share: a small process that
// outlives the program for as long as it needs to, and releases every key the
// program left down when the program ends in any way (SIGKILL and crashes
// included).
//
// The guard is this same program file started again (/proc/self/exe) with
// ORVANEL_RELEASE_GUARD=<kind>:<identity of the key page> in its environment
// and the pipe and the page on descriptors 3 and 4; a stray variable of that
// name alone does not make a guard. Each backend reads the mark of its kind
// while the program's static objects are set up, before main, and calls
// RunReleaseGuard: nothing of the program runs in the guard, its exit
// handlers included, and it holds no file of the program's.
//
// The backend and its guard share a KeyPage (a memfd): which keycodes are
// down now, which were ever pressed, and which borrowed keycodes hold which
// keysym. The guard blocks reading a pipe whose writing end only the backend
// holds (close-on-exec); the read ends when the program has ended. Unless the
// page says the backend closed normally, the guard then hands the page to the
// backend's release function, bounded by alarm(1), and exits. Reaching the
// desktop at the start is bounded as well (3 s).
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace orvanel::posix {

// The keys of one backend, shared with its release guard.
struct KeyPage {
    std::atomic<std::uint8_t> pressed[256];     // down now (set before the press)
    std::atomic<std::uint8_t> everPressed[256]; // pressed at some time
    std::atomic<std::uint8_t> bound[256];       // a borrowed keycode
    std::atomic<std::uint32_t> boundKeysym[256];
    std::atomic<std::uint8_t> closed; // the backend has closed normally
};

// A backend's end of its guard.
struct GuardLink {
    GuardLink() : keys(&ownKeys) {}
    GuardLink(const GuardLink&) = delete;
    GuardLink& operator=(const GuardLink&) = delete;

    void NotePress(unsigned kc) {
        keys->everPressed[kc & 0xFF].store(1);
        keys->pressed[kc & 0xFF].store(1);
    }
    void NoteRelease(unsigned kc) { keys->pressed[kc & 0xFF].store(0); }

    KeyPage ownKeys{};
    KeyPage* keys; // ownKeys, or the page shared with the guard
    pid_t pid = -1;
    int pipe = -1;
};

// Starts a guard of `kind`, with `environment` ("NAME=value") added to its
// environment. When it cannot, the program goes on without one and says so
// once on standard error; `link` then keeps its own page.
void StartReleaseGuard(GuardLink& link, const char* kind,
                       const std::vector<std::string>& environment);

// Tells the guard that the backend closes normally (every key is up), lets
// it go and reaps it.
void StopReleaseGuard(GuardLink& link);

// True in a guard process of `kind`.
bool IsReleaseGuard(const char* kind);

// The guard process: `open` runs first, bounded in time (it reaches the
// desktop and returns a context, null when it cannot), then the guard waits
// for the program's end and calls `release`. Never returns.
using GuardOpen = void* (*)();
using GuardRelease = void (*)(void* context, const KeyPage& page);
[[noreturn]] void RunReleaseGuard(GuardOpen open, GuardRelease release);

} // namespace orvanel::posix
