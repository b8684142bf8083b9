// The stop key: Ctrl+Alt+Shift+S, grabbed on the root window of a connection
// of its own, and a watcher thread that sets a flag when it is pressed.
//
// The watcher never touches the backend's main connection; it waits with
// poll() on its own connection and on a wake pipe, so that End() returns
// promptly, and it takes the XGuard only for the moment it reads events. The
// grab covers the combination with every state of NumLock, CapsLock and
// ScrollLock. When the key is pressed, the watcher lets go of the keyboard at
// once (the passive grab stays), so that the probe for a held keyboard and
// the user's next keys are not held up by it.
//
// The backend types through XTEST, which the X server treats like a real
// keyboard: a script that types Ctrl+Alt+Shift+S itself stops itself. That
// is accepted: a script has no reason to type the stop key.
#pragma once

#include <X11/Xlib.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "desktop/x11/x11session.h"

namespace orvanel::x11 {

class StopKeyWatch {
public:
    // `displayName` null: $DISPLAY.
    explicit StopKeyWatch(const char* displayName);
    ~StopKeyWatch();
    StopKeyWatch(const StopKeyWatch&) = delete;
    StopKeyWatch& operator=(const StopKeyWatch&) = delete;

    // Clears the flag, grabs the combination and starts the watcher (while
    // watching already, only clears the flag); the connection is opened on
    // first use and kept. False when the display
    // cannot be reached or another client holds the combination. Must not
    // be called under an XGuard (nor End()).
    bool Start();
    // True once the combination was pressed since Start().
    bool Pressed() const { return pressed_.load(); }
    // Stops the watcher and lets go of the combination; when it returns,
    // another client can grab it.
    void End();

private:
    bool Open();
    bool Grab();
    void Ungrab();
    void DrainEvents();
    void Run();

    std::string displayName_;
    Display* display_ = nullptr;
    Registration registration_;
    int wake_[2] = {-1, -1};
    std::thread watcher_;
    std::atomic<bool> pressed_{false};
    KeyCode keycode_ = 0;
    std::vector<unsigned> modifiers_; // every state grabbed
    bool watching_ = false;
};

} // namespace orvanel::x11
