// The stop key on Windows: a thread of its own registers CTRL+ALT+SHIFT and
// kStopKeyVirtualKey as a system-wide hot key and runs a message loop that
// only sets a flag when the key is pressed. The window's thread reads the
// flag between its waits and is never held by the watcher.
#pragma once

#include <atomic>
#include <thread>

namespace orvanel::win32 {

class StopKeyWatch {
public:
    // How long Start waits for the watcher to know whether the key is its.
    static constexpr unsigned kStartTimeoutMs = 2000;
    // The hot key's id within this process.
    static constexpr int kHotKeyId = 0x4F53;

    StopKeyWatch() = default;
    ~StopKeyWatch();
    StopKeyWatch(const StopKeyWatch&) = delete;
    StopKeyWatch& operator=(const StopKeyWatch&) = delete;

    // Clears the flag and starts watching. False when the key cannot be had
    // (another program has registered it) or the watcher does not answer in
    // time; there is no watch then. Starting a running watch only clears the
    // flag.
    bool Start();
    // True once the key was pressed since the last Start.
    bool Pressed() const { return pressed_.load(); }
    // Ends the watch: the key is given back and the watcher is gone when this
    // returns. The flag keeps its value until the next Start.
    void End();
    bool Running() const { return thread_.joinable(); }

private:
    void Watch(); // the watcher thread

    std::thread thread_;
    std::atomic<bool> pressed_{false};
    std::atomic<bool> quit_{false};           // End asked the watcher to go
    std::atomic<unsigned long> watcherId_{0}; // its thread id, once it has a queue
    std::atomic<int> registered_{-1};         // -1 not known yet, 0 no, 1 yes
    void* ready_ = nullptr;                   // event: registered_ is known
};

} // namespace orvanel::win32
