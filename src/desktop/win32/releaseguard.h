// The release guard of the Windows backend: a small process that outlives
// the program for as long as it needs to and releases every key the program
// left down, however the program ends (TerminateProcess, a crash).
//
// The guard is this same program file started again with a mark on its
// command line, read while the program file's static objects are set up,
// before main; it then runs and ends without running anything of the
// program. It shares a page with the backend that shows which virtual keys
// are down (marked before the key goes down, cleared after it went up), and
// waits on the program's process handle and on an event the backend sets
// when it closes normally. When the program has ended without closing, it
// sends a key-up (keybd_event, in the same session) for every key the page
// still shows down, then exits. The handles it inherits are inheritable in
// the program only while the guard starts.
#pragma once

#include <cstdint>

namespace orvanel::win32 {

class ReleaseGuard {
public:
    // Starts the guard. When it cannot, the program goes on without one and
    // says so once on standard error.
    ReleaseGuard();
    // Tells the guard that the program closes normally, and lets it go.
    ~ReleaseGuard();
    ReleaseGuard(const ReleaseGuard&) = delete;
    ReleaseGuard& operator=(const ReleaseGuard&) = delete;

    // Called before a key goes down, and after it went up.
    void KeyDown(std::uint8_t vk) {
        if (page_ != nullptr) {
            page_[vk] = 1;
        }
    }
    void KeyUp(std::uint8_t vk) {
        if (page_ != nullptr) {
            page_[vk] = 0;
        }
    }
    bool Running() const { return process_ != nullptr; }

private:
    volatile std::uint8_t* page_ = nullptr; // 256 bytes shared with the guard
    void* mapping_ = nullptr;
    void* quit_ = nullptr;
    void* process_ = nullptr;
};

} // namespace orvanel::win32
