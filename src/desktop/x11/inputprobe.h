// Whether typed keys can reach any window: the MIT-SCREEN-SAVER extension's
// state, and a short keyboard grab on the root window that fails while
// another client holds the keyboard (screen lockers, open menus, a program's
// own key grab while its key is down).
//
// These take the XGuard themselves, and let it go between tries.
#pragma once

#include <X11/Xlib.h>

#include "desktop/desktop.h"
#include "desktop/x11/x11session.h"

namespace orvanel::x11 {

// True when the screen saver extension says the saver is on now.
bool SaverActive(Display* display, const Registration& registration);

// True when another client holds the keyboard. A successful probe grab is let
// go at once, so no key is taken from the user for more than a round trip. A
// failed probe is tried again twice, a few milliseconds apart: a passive grab
// held for the moment a key is down (a window manager's shortcut, this
// program's own stop key, which its watcher lets go of as soon as it sees the
// press) is no keyboard held.
bool KeyboardHeldElsewhere(Display* display, const Registration& registration);

} // namespace orvanel::x11
