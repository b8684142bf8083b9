// Where the keyboard focus is: the top-level client window that has it, and
// whether that is a given window or one of its dialogs.
//
// The input focus decides, since keys go where it is. The focus window is
// walked up to the client window that carries WM_STATE; when it sits in a
// window manager's frame, the client inside that frame (or the window that
// _NET_ACTIVE_WINDOW names there) is taken. Without a window manager the
// top-level window that holds the focus is the answer. The focus on the root
// window, on PointerRoot or on nothing gives no window.
//
// The caller holds an XGuard around every call.
#pragma once

#include <X11/Xlib.h>

#include "desktop/desktop.h"
#include "desktop/x11/ewmhwindows.h"

namespace orvanel::x11 {

class FocusQuery {
public:
    FocusQuery(Display* display, EwmhWindows& windows);

    // The top-level client window with the keyboard focus; 0 when none.
    Window Foreground();

    // WithWindow when the focused window is `window` or transient for it
    // (a dialog, followed a few levels); Elsewhere otherwise, also when the
    // focus is nowhere. Other windows of the same client or process do not
    // count.
    FocusState IsWith(Window window);

private:
    bool TransientLeads(Window from, Window to);

    Display* display_;
    EwmhWindows& windows_;
};

} // namespace orvanel::x11
