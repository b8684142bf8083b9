#include "desktop/x11/focusquery.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace orvanel::x11 {

namespace {

// How many WM_TRANSIENT_FOR links are followed: a dialog of a dialog of a
// main window is as deep as programs go.
constexpr int kTransientDepth = 4;

} // namespace

FocusQuery::FocusQuery(Display* display, EwmhWindows& windows)
    : display_(display), windows_(windows) {}

Window FocusQuery::Foreground() {
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    const Window root = windows_.Root();
    if (focus == None || focus == PointerRoot || focus == root) {
        return 0;
    }
    // The client at or above the focus window (a client's own child windows
    // take the focus too).
    Window top = focus;
    for (Window w = focus; w != 0 && w != root; w = windows_.Parent(w)) {
        if (windows_.IsClient(w)) {
            return w;
        }
        top = w;
    }
    // The focus sits in a frame, or no window manager runs.
    if (const Window client = windows_.ClientOf(top)) {
        return client;
    }
    if (windows_.WmRunning()) {
        const auto active = windows_.LongProperty(root, windows_.NetActiveWindow(), XA_WINDOW);
        if (!active.empty() && active[0] != 0 &&
            windows_.TopLevelOf(static_cast<Window>(active[0])) == top) {
            return static_cast<Window>(active[0]);
        }
    }
    return top;
}

FocusState FocusQuery::IsWith(Window window) {
    const Window focused = Foreground();
    if (focused == 0 || window == 0) {
        return FocusState::Elsewhere;
    }
    return focused == window || TransientLeads(focused, window) ? FocusState::WithWindow
                                                                : FocusState::Elsewhere;
}

bool FocusQuery::TransientLeads(Window from, Window to) {
    Window current = from;
    for (int i = 0; i < kTransientDepth; ++i) {
        Window owner = 0;
        if (XGetTransientForHint(display_, current, &owner) == 0 || owner == 0 ||
            owner == windows_.Root() || owner == current) {
            return false;
        }
        if (owner == to) {
            return true;
        }
        current = owner;
    }
    return false;
}

} // namespace orvanel::x11
