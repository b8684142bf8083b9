// The windows of the X desktop as the task runner sees them: titles (UTF-8,
// from _NET_WM_NAME or WM_NAME), finding a top-level window by its exact
// title, showing, activating and the input focus, through the EWMH hints of
// the window manager, or directly when none runs.
//
// The caller holds an XGuard around every call.
#pragma once

#include <X11/Xlib.h>

#include <optional>
#include <string>
#include <vector>

#include "desktop/x11/x11session.h"

namespace orvanel::x11 {

class EwmhWindows {
public:
    EwmhWindows(Display* display, Registration& registration);

    // The top-level window whose title is exactly `cp1252Title`, topmost
    // first; 0 when there is none.
    Window Find(const char* cp1252Title);
    // Hides (0), minimises (2, 6, 7) or shows normally (any other command) a
    // window, as ShowWindow does; true when it was visible before.
    bool Show(Window w, int showCommand);
    // Asks the window manager to activate `w`, or raises it and gives it the
    // focus when none runs.
    void Activate(Window w);
    bool Exists(Window w);
    // True when `w`, or a window inside it, has the input focus.
    bool HasFocus(Window w);
    // The window that has the input focus (0 when none).
    Window Focus();
    // True when a window manager that follows EWMH runs.
    bool WmRunning();

    // ---- Helpers for the other window questions (focusquery.h) ----

    std::optional<std::vector<unsigned char>> Property(Window w, Atom property, Atom type,
                                                       int* format = nullptr,
                                                       unsigned long* items = nullptr);
    std::vector<long> LongProperty(Window w, Atom property, Atom type);
    bool WmSupports(Atom atom);
    Window Parent(Window w);
    // The client window inside a frame (the first window below it with
    // WM_STATE); 0 when there is none.
    Window ClientOf(Window frame, int depth = 0);
    // The child of the root window that holds `w`.
    Window TopLevelOf(Window w);
    bool IsClient(Window w);
    Window Root() const { return root_; }
    Atom NetActiveWindow() const { return atom_.netActiveWindow; }

private:
    struct Atoms {
        Atom netClientList = 0, netClientListStacking = 0, netWmName = 0, utf8String = 0,
             netActiveWindow = 0, netWmState = 0, netWmStateHidden = 0, netWmStateMaxVert = 0,
             netWmStateMaxHorz = 0, netSupportingWmCheck = 0, netSupported = 0, wmState = 0;
    };

    std::optional<std::string> Title(Window w);
    std::vector<Window> Children(Window w);
    bool Viewable(Window w);
    void SendWmMessage(Window w, Atom type, long l0, long l1, long l2, long l3);

    Display* display_;
    Registration& registration_;
    Window root_;
    Atoms atom_;
};

} // namespace orvanel::x11
