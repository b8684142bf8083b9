// targetwin: a plain X window that writes down every key it receives.
//
//   targetwin --title TITLE --out FILE [--ready FILE] [--minimized]
//             [--maximized] [--wm-name-only] [--keymap-on-read] [--no-focus]
//             [--sibling TITLE2]
//
// The window's title is TITLE (UTF-8) in _NET_WM_NAME and in WM_NAME
// (--wm-name-only: WM_NAME alone, as Latin-1 STRING). Each key press is
// appended to FILE at once:
//   - a key that types a character, without Ctrl or Alt: the character, UTF-8;
//   - any other key: a token "<Mods+Name>", Mods being Ctrl+, Alt+, Super+ and
//     (for keys that type no character) Shift+, Name the typed character or
//     the X keysym name: "<Tab>", "<Shift+Tab>", "<Return>", "<BackSpace>",
//     "<Left>", "<F5>", "<KP_0>", "<Ctrl+a>", "<Alt+f>", "<Ctrl+Alt+Delete>";
//   - modifier keys alone write nothing.
// When the window is up it writes its window id (decimal) and a newline to
// the ready file (default FILE.ready): after it is mapped, or for
// --minimized after the window manager has iconified it (with no window
// manager a minimised window simply stays unmapped).
// --keymap-on-read: applies every keymap change it has received before it
// looks a key up, as toolkits do that take in keymap changes as they read
// them: a key is then read with the keymap of the moment it is read.
// --no-focus: a window that never takes the keyboard focus (WM_HINTS input
// False, no WM_TAKE_FOCUS), which window managers do not focus.
// --sibling: a second top-level window of the same client and process
// (both carry its _NET_WM_PID and WM_CLIENT_MACHINE), titled TITLE2, whose
// keys go to FILE.sibling; its window id follows the first one in the ready
// file, which is written once both are mapped.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "desktop/keysyms/keysyms.h"

namespace {

std::string Utf8(char32_t c) {
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (c >> 18));
        s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

// Latin-1 form of a UTF-8 text, or false when it has other characters.
bool Latin1(const std::string& utf8, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
            const unsigned code =
                ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3Fu);
            if (code > 0xFF) {
                return false;
            }
            out += static_cast<char>(code);
        } else {
            return false;
        }
    }
    return true;
}

void WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n <= 0) {
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

void WriteReady(const std::string& path, const std::string& ids) {
    const std::string temporary = path + ".tmp";
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        return;
    }
    WriteAll(fd, ids + "\n");
    close(fd);
    rename(temporary.c_str(), path.c_str());
}

bool IsModifier(KeySym ks) {
    // Shift to Hyper, the ISO level and group keys, Mode_switch and Num_Lock.
    return IsModifierKey(ks);
}

std::string Token(KeySym keysym, unsigned state) {
    const bool keypad = keysym >= XK_KP_Space && keysym <= XK_KP_Equal;
    const char32_t character = keypad ? 0 : orvanel::keysyms::CharacterForKeysym(keysym);
    std::string mods;
    if ((state & ControlMask) != 0) {
        mods += "Ctrl+";
    }
    if ((state & Mod1Mask) != 0) {
        mods += "Alt+";
    }
    if ((state & Mod4Mask) != 0) {
        mods += "Super+";
    }
    if (character != 0) {
        return mods.empty() ? Utf8(character) : "<" + mods + Utf8(character) + ">";
    }
    if (keysym == XK_ISO_Left_Tab) {
        keysym = XK_Tab;
        state |= ShiftMask;
    }
    if ((state & ShiftMask) != 0) {
        mods += "Shift+";
    }
    const char* name = XKeysymToString(keysym);
    char hex[32];
    if (name == nullptr) {
        std::snprintf(hex, sizeof hex, "0x%lx", static_cast<unsigned long>(keysym));
        name = hex;
    }
    return "<" + mods + name + ">";
}

int Usage() {
    std::fprintf(stderr, "usage: targetwin --title TITLE --out FILE [--ready FILE] [--minimized] "
                         "[--maximized] [--wm-name-only] [--keymap-on-read] [--no-focus] "
                         "[--sibling TITLE2]\n");
    return 2;
}

// Names the window's process and machine, as toolkits do.
void SetProcess(Display* dpy, Window window) {
    long pid = getpid();
    XChangeProperty(dpy, window, XInternAtom(dpy, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(&pid), 1);
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    XChangeProperty(dpy, window, XA_WM_CLIENT_MACHINE, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<unsigned char*>(host), static_cast<int>(std::strlen(host)));
}

// The second window of --sibling: a plain window with a title.
Window MakeSibling(Display* dpy, const std::string& title) {
    const int screen = DefaultScreen(dpy);
    const Window window = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 80, 80, 300, 150, 1,
                                              BlackPixel(dpy, screen), WhitePixel(dpy, screen));
    XChangeProperty(dpy, window, XInternAtom(dpy, "_NET_WM_NAME", False),
                    XInternAtom(dpy, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()),
                    static_cast<int>(title.size()));
    XStoreName(dpy, window, title.c_str());
    XWMHints hints{};
    hints.flags = InputHint | StateHint;
    hints.input = True;
    hints.initial_state = NormalState;
    XSetWMHints(dpy, window, &hints);
    SetProcess(dpy, window);
    XSelectInput(dpy, window, KeyPressMask | FocusChangeMask | StructureNotifyMask);
    XMapWindow(dpy, window);
    return window;
}

} // namespace

int main(int argc, char** argv) {
    std::string title, outPath, readyPath, siblingTitle;
    bool minimized = false, maximized = false, wmNameOnly = false, keymapOnRead = false,
         noFocus = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--title" && i + 1 < argc) {
            title = argv[++i];
        } else if (arg == "--out" && i + 1 < argc) {
            outPath = argv[++i];
        } else if (arg == "--ready" && i + 1 < argc) {
            readyPath = argv[++i];
        } else if (arg == "--minimized") {
            minimized = true;
        } else if (arg == "--maximized") {
            maximized = true;
        } else if (arg == "--wm-name-only") {
            wmNameOnly = true;
        } else if (arg == "--keymap-on-read") {
            keymapOnRead = true;
        } else if (arg == "--no-focus") {
            noFocus = true;
        } else if (arg == "--sibling" && i + 1 < argc) {
            siblingTitle = argv[++i];
        } else {
            return Usage();
        }
    }
    if (outPath.empty()) {
        return Usage();
    }
    if (readyPath.empty()) {
        readyPath = outPath + ".ready";
    }
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (out < 0) {
        std::perror(outPath.c_str());
        return 1;
    }
    Display* dpy = XOpenDisplay(nullptr);
    if (dpy == nullptr) {
        std::fprintf(stderr, "targetwin: cannot open the X display\n");
        return 1;
    }
    const Window root = DefaultRootWindow(dpy);
    const int screen = DefaultScreen(dpy);
    const Window window = XCreateSimpleWindow(dpy, root, 40, 40, 400, 200, 1,
                                              BlackPixel(dpy, screen), WhitePixel(dpy, screen));
    const Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
    const Atom netWmName = XInternAtom(dpy, "_NET_WM_NAME", False);
    const Atom wmState = XInternAtom(dpy, "WM_STATE", False);
    const Atom netWmState = XInternAtom(dpy, "_NET_WM_STATE", False);
    const Atom wmDelete = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    const Atom supportingCheck = XInternAtom(dpy, "_NET_SUPPORTING_WM_CHECK", False);

    std::string latin1;
    const auto* titleBytes = reinterpret_cast<const unsigned char*>(title.data());
    if (!wmNameOnly) {
        XChangeProperty(dpy, window, netWmName, utf8, 8, PropModeReplace, titleBytes,
                        static_cast<int>(title.size()));
    }
    if (Latin1(title, latin1)) {
        XChangeProperty(dpy, window, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(latin1.data()),
                        static_cast<int>(latin1.size()));
    } else {
        XChangeProperty(dpy, window, XA_WM_NAME, utf8, 8, PropModeReplace, titleBytes,
                        static_cast<int>(title.size()));
    }
    XWMHints hints{};
    hints.flags = InputHint | StateHint;
    hints.input = noFocus ? False : True;
    hints.initial_state = minimized ? IconicState : NormalState;
    XSetWMHints(dpy, window, &hints);
    XClassHint classHint{const_cast<char*>("targetwin"), const_cast<char*>("Targetwin")};
    XSetClassHint(dpy, window, &classHint);
    XSetWMProtocols(dpy, window, const_cast<Atom*>(&wmDelete), 1);
    if (maximized) {
        Atom states[2] = {XInternAtom(dpy, "_NET_WM_STATE_MAXIMIZED_VERT", False),
                          XInternAtom(dpy, "_NET_WM_STATE_MAXIMIZED_HORZ", False)};
        XChangeProperty(dpy, window, netWmState, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(states), 2);
    }
    XSelectInput(dpy, window,
                 KeyPressMask | FocusChangeMask | StructureNotifyMask | PropertyChangeMask |
                     ExposureMask);
    Window sibling = None;
    int siblingOut = -1;
    if (!siblingTitle.empty()) {
        SetProcess(dpy, window);
        siblingOut = open((outPath + ".sibling").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        sibling = MakeSibling(dpy, siblingTitle);
    }
    bool siblingMapped = sibling == None;
    bool windowUp = false; // mapped (or iconified, for --minimized)
    const auto readyWhenUp = [&] {
        if (windowUp && siblingMapped) {
            WriteReady(readyPath, std::to_string(window) +
                                      (sibling == None ? "" : " " + std::to_string(sibling)));
        }
    };

    // Is a window manager there to iconify us?
    bool wm = false;
    {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(dpy, root, supportingCheck, 0, 1, False, XA_WINDOW, &type, &format,
                               &count, &after, &data) == Success &&
            data != nullptr && count == 1) {
            wm = true;
        }
        if (data != nullptr) {
            XFree(data);
        }
    }
    if (minimized && !wm) {
        XSync(dpy, False);
        windowUp = true;
        readyWhenUp();
    } else {
        XMapWindow(dpy, window);
    }
    XFlush(dpy);

    bool ready = minimized && !wm;
    for (;;) {
        XEvent event;
        XNextEvent(dpy, &event);
        switch (event.type) {
        case MapNotify:
            if (event.xmap.window == sibling) {
                siblingMapped = true;
                readyWhenUp();
            } else if (!ready && !minimized) {
                ready = true;
                windowUp = true;
                readyWhenUp();
            }
            break;
        case PropertyNotify:
            if (!ready && minimized && event.xproperty.atom == wmState) {
                Atom type = None;
                int format = 0;
                unsigned long count = 0, after = 0;
                unsigned char* data = nullptr;
                if (XGetWindowProperty(dpy, window, wmState, 0, 2, False, wmState, &type, &format,
                                       &count, &after, &data) == Success &&
                    data != nullptr && count >= 1 &&
                    reinterpret_cast<long*>(data)[0] == IconicState) {
                    ready = true;
                    windowUp = true;
                    readyWhenUp();
                }
                if (data != nullptr) {
                    XFree(data);
                }
            }
            break;
        case KeyPress: {
            char buffer[64];
            KeySym keysym = NoSymbol;
            XEvent change;
            while (keymapOnRead && XCheckTypedEvent(dpy, MappingNotify, &change)) {
                XRefreshKeyboardMapping(&change.xmapping);
            }
            XLookupString(&event.xkey, buffer, sizeof buffer, &keysym, nullptr);
            if (keysym != NoSymbol && !IsModifier(keysym)) {
                WriteAll(event.xkey.window == sibling ? siblingOut : out,
                         Token(keysym, event.xkey.state));
            }
            break;
        }
        case MappingNotify:
            // As every client must: the keymap changed (a layout switch, or a
            // keycode bound for a moment to a character the layout lacks).
            XRefreshKeyboardMapping(&event.xmapping);
            break;
        case ClientMessage:
            if (static_cast<Atom>(event.xclient.data.l[0]) == wmDelete) {
                XCloseDisplay(dpy);
                close(out);
                return 0;
            }
            break;
        default:
            break;
        }
    }
}
