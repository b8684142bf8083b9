#include "desktop/win32/stopkeywatch.h"

#include <windows.h>

#include "desktop/desktop.h"

namespace orvanel::win32 {

StopKeyWatch::~StopKeyWatch() {
    End();
}

bool StopKeyWatch::Start() {
    if (Running()) {
        if (registered_.load() == 1) {
            pressed_ = false;
            return true;
        }
        End(); // a watcher left from a start that failed
    }
    pressed_ = false;
    quit_ = false;
    watcherId_ = 0;
    registered_ = -1;
    ready_ = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (ready_ == nullptr) {
        return false;
    }
    thread_ = std::thread(&StopKeyWatch::Watch, this);
    ::WaitForSingleObject(ready_, kStartTimeoutMs);
    if (registered_.load() == 1) {
        return true;
    }
    End();
    return false;
}

void StopKeyWatch::End() {
    if (thread_.joinable()) {
        // Either the watcher sees quit_ before it waits for messages, or its
        // id is set and its queue exists, so that the WM_QUIT reaches it.
        quit_ = true;
        if (const DWORD id = watcherId_.load(); id != 0) {
            ::PostThreadMessageA(id, WM_QUIT, 0, 0);
        }
        thread_.join();
    }
    if (ready_ != nullptr) {
        ::CloseHandle(ready_);
        ready_ = nullptr;
    }
}

void StopKeyWatch::Watch() {
    MSG message;
    // The first call of a message function gives the thread its queue.
    ::PeekMessageA(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    watcherId_ = ::GetCurrentThreadId();

    // No repeats: holding the keys down gives one press. Systems before
    // Windows 7 do not know the flag and refuse it.
    constexpr UINT kModifiers = MOD_CONTROL | MOD_ALT | MOD_SHIFT;
    BOOL registered =
        ::RegisterHotKey(nullptr, kHotKeyId, kModifiers | MOD_NOREPEAT, kStopKeyVirtualKey);
    if (registered == FALSE && ::GetLastError() != ERROR_HOTKEY_ALREADY_REGISTERED) {
        registered = ::RegisterHotKey(nullptr, kHotKeyId, kModifiers, kStopKeyVirtualKey);
    }
    registered_ = registered != FALSE ? 1 : 0;
    ::SetEvent(ready_);
    if (registered == FALSE) {
        return;
    }
    while (!quit_.load()) {
        const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            break; // WM_QUIT, or the queue is gone
        }
        if (message.message == WM_HOTKEY && message.wParam == static_cast<WPARAM>(kHotKeyId)) {
            pressed_ = true;
        }
    }
    ::UnregisterHotKey(nullptr, kHotKeyId);
}

} // namespace orvanel::win32
