#include "desktop/x11/ewmhwindows.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "desktop/cp1252.h"

namespace orvanel::x11 {

namespace {

struct XFreer {
    void operator()(void* p) const {
        if (p != nullptr) {
            XFree(p);
        }
    }
};
template <typename T> using XPtr = std::unique_ptr<T, XFreer>;

std::string Utf8FromLatin1(const unsigned char* text, std::size_t length) {
    std::string out;
    for (std::size_t i = 0; i < length && text[i] != 0; ++i) {
        AppendUtf8(out, text[i]);
    }
    return out;
}

} // namespace

EwmhWindows::EwmhWindows(Display* display, Registration& registration)
    : display_(display), registration_(registration), root_(DefaultRootWindow(display)) {
    auto atom = [display](const char* atomName) { return XInternAtom(display, atomName, False); };
    atom_.netClientList = atom("_NET_CLIENT_LIST");
    atom_.netClientListStacking = atom("_NET_CLIENT_LIST_STACKING");
    atom_.netWmName = atom("_NET_WM_NAME");
    atom_.utf8String = atom("UTF8_STRING");
    atom_.netActiveWindow = atom("_NET_ACTIVE_WINDOW");
    atom_.netWmState = atom("_NET_WM_STATE");
    atom_.netWmStateHidden = atom("_NET_WM_STATE_HIDDEN");
    atom_.netWmStateMaxVert = atom("_NET_WM_STATE_MAXIMIZED_VERT");
    atom_.netWmStateMaxHorz = atom("_NET_WM_STATE_MAXIMIZED_HORZ");
    atom_.netSupportingWmCheck = atom("_NET_SUPPORTING_WM_CHECK");
    atom_.netSupported = atom("_NET_SUPPORTED");
    atom_.wmState = atom("WM_STATE");
}

Window EwmhWindows::Find(const char* cp1252Title) {
    const std::string wanted = Cp1252ToUtf8(cp1252Title);
    auto matches = [this, &wanted](Window w) {
        const auto name = Title(w);
        return name && *name == wanted;
    };
    if (WmRunning()) {
        // Topmost first, as the stacking list runs from the bottom up.
        auto clients = LongProperty(root_, atom_.netClientListStacking, XA_WINDOW);
        if (clients.empty()) {
            clients = LongProperty(root_, atom_.netClientList, XA_WINDOW);
        } else {
            std::reverse(clients.begin(), clients.end());
        }
        if (!clients.empty()) {
            for (long w : clients) {
                if (matches(static_cast<Window>(w))) {
                    return static_cast<Window>(w);
                }
            }
            return 0;
        }
    }
    auto children = Children(root_);
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        if (matches(*it)) {
            return *it;
        }
        const Window client = ClientOf(*it, 0);
        if (client != 0 && matches(client)) {
            return client;
        }
    }
    return 0;
}

bool EwmhWindows::Show(Window w, int showCommand) {
    const bool wasVisible = Viewable(w);
    const bool wm = WmRunning();
    switch (showCommand) {
    case 0: // hide
        XUnmapWindow(display_, w);
        if (wm) {
            XWithdrawWindow(display_, w, DefaultScreen(display_));
        }
        break;
    case 2: // minimise
    case 6:
    case 7:
        if (wm) {
            XIconifyWindow(display_, w, DefaultScreen(display_));
        } else {
            XUnmapWindow(display_, w);
        }
        break;
    default: // show normally: mapped, neither minimised nor maximised
        if (wm) {
            SendWmMessage(w, atom_.netWmState, 0 /* remove */,
                          static_cast<long>(atom_.netWmStateMaxVert),
                          static_cast<long>(atom_.netWmStateMaxHorz), 2);
            // Mapping an iconic window asks the window manager to restore it.
            XMapWindow(display_, w);
            if (WmSupports(atom_.netActiveWindow)) {
                const auto states = LongProperty(w, atom_.netWmState, XA_ATOM);
                if (std::find(states.begin(), states.end(),
                              static_cast<long>(atom_.netWmStateHidden)) != states.end()) {
                    SendWmMessage(w, atom_.netActiveWindow, 2, CurrentTime, 0, 0);
                }
            }
        } else {
            XMapRaised(display_, w);
        }
        break;
    }
    XFlush(display_);
    return wasVisible;
}

std::optional<std::vector<unsigned char>> EwmhWindows::Property(Window w, Atom property, Atom type,
                                                                int* format, unsigned long* items) {
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    registration_.lastError.store(0);
    const int status = XGetWindowProperty(display_, w, property, 0, 1L << 20, False, type,
                                          &actualType, &actualFormat, &count, &after, &data);
    XPtr<unsigned char> owned(data);
    if (status != Success || actualType == None ||
        (type != AnyPropertyType && actualType != type)) {
        return std::nullopt;
    }
    if (format != nullptr) {
        *format = actualFormat;
    }
    if (items != nullptr) {
        *items = count;
    }
    const std::size_t unit = actualFormat == 32 ? sizeof(long) : actualFormat == 16 ? 2 : 1;
    std::vector<unsigned char> bytes(data, data + count * unit);
    return bytes;
}

std::vector<long> EwmhWindows::LongProperty(Window w, Atom property, Atom type) {
    int format = 0;
    unsigned long items = 0;
    auto bytes = Property(w, property, type, &format, &items);
    std::vector<long> out;
    if (!bytes || format != 32) {
        return out;
    }
    out.resize(items);
    std::memcpy(out.data(), bytes->data(), items * sizeof(long));
    return out;
}

std::optional<std::string> EwmhWindows::Title(Window w) {
    if (auto name = Property(w, atom_.netWmName, atom_.utf8String)) {
        return std::string(name->begin(), name->end());
    }
    XTextProperty text{};
    if (XGetWMName(display_, w, &text) == 0 || text.value == nullptr) {
        return std::nullopt;
    }
    XPtr<unsigned char> owned(text.value);
    if (text.encoding == XA_STRING) {
        return Utf8FromLatin1(text.value, text.nitems);
    }
    if (text.encoding == atom_.utf8String) {
        return std::string(reinterpret_cast<const char*>(text.value), text.nitems);
    }
    char** list = nullptr;
    int count = 0;
    if (Xutf8TextPropertyToTextList(display_, &text, &list, &count) >= Success && count > 0 &&
        list != nullptr) {
        std::string out = list[0];
        XFreeStringList(list);
        return out;
    }
    return std::nullopt;
}

bool EwmhWindows::WmRunning() {
    const auto check = LongProperty(root_, atom_.netSupportingWmCheck, XA_WINDOW);
    if (check.empty() || check[0] == 0) {
        return false;
    }
    const auto self =
        LongProperty(static_cast<Window>(check[0]), atom_.netSupportingWmCheck, XA_WINDOW);
    return !self.empty() && self[0] == check[0];
}

bool EwmhWindows::WmSupports(Atom atom) {
    const auto supported = LongProperty(root_, atom_.netSupported, XA_ATOM);
    return std::find(supported.begin(), supported.end(), static_cast<long>(atom)) !=
           supported.end();
}

std::vector<Window> EwmhWindows::Children(Window w) {
    Window rootReturn = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    std::vector<Window> out;
    if (XQueryTree(display_, w, &rootReturn, &parent, &children, &count) != 0 &&
        children != nullptr) {
        out.assign(children, children + count);
    }
    XFree(children);
    return out;
}

Window EwmhWindows::Parent(Window w) {
    Window rootReturn = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display_, w, &rootReturn, &parent, &children, &count) == 0) {
        return 0;
    }
    XFree(children);
    return parent;
}

bool EwmhWindows::IsClient(Window w) {
    return Property(w, atom_.wmState, atom_.wmState).has_value();
}

Window EwmhWindows::ClientOf(Window frame, int depth) {
    if (depth > 3) {
        return 0;
    }
    for (Window child : Children(frame)) {
        if (IsClient(child)) {
            return child;
        }
    }
    for (Window child : Children(frame)) {
        if (Window found = ClientOf(child, depth + 1)) {
            return found;
        }
    }
    return 0;
}

bool EwmhWindows::Exists(Window w) {
    XWindowAttributes attributes;
    registration_.lastError.store(0);
    return w != 0 && XGetWindowAttributes(display_, w, &attributes) != 0;
}

bool EwmhWindows::Viewable(Window w) {
    XWindowAttributes attributes;
    return w != 0 && XGetWindowAttributes(display_, w, &attributes) != 0 &&
           attributes.map_state == IsViewable;
}

void EwmhWindows::SendWmMessage(Window w, Atom type, long l0, long l1, long l2, long l3) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = w;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    event.xclient.data.l[0] = l0;
    event.xclient.data.l[1] = l1;
    event.xclient.data.l[2] = l2;
    event.xclient.data.l[3] = l3;
    XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

Window EwmhWindows::TopLevelOf(Window w) {
    Window current = w;
    for (int i = 0; i < 16; ++i) {
        const Window parent = Parent(current);
        if (parent == 0 || parent == root_) {
            return current;
        }
        current = parent;
    }
    return current;
}

void EwmhWindows::Activate(Window w) {
    if (WmRunning() && WmSupports(atom_.netActiveWindow)) {
        // Source 2: a pager or task bar, whose requests the window manager
        // follows (no focus-stealing prevention).
        SendWmMessage(w, atom_.netActiveWindow, 2, CurrentTime, 0, 0);
    } else {
        XRaiseWindow(display_, TopLevelOf(w));
        if (Viewable(w)) {
            XSetInputFocus(display_, w, RevertToParent, CurrentTime);
        }
    }
    XFlush(display_);
}

Window EwmhWindows::Focus() {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    return focus == PointerRoot ? 0 : focus;
}

bool EwmhWindows::HasFocus(Window w) {
    Window current = Focus();
    for (int i = 0; i < 32 && current != 0 && current != root_; ++i) {
        if (current == w) {
            return true;
        }
        current = Parent(current);
    }
    return false;
}

} // namespace orvanel::x11
