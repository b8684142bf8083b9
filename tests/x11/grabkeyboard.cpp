// grabkeyboard: holds a grab of the whole keyboard, as screen lockers and
// open menus do, until a signal ends it.
//
//   grabkeyboard READYFILE [KEYSFILE]
//
// Writes "grabbed\n" to READYFILE once it holds the grab, and one byte to
// KEYSFILE for every key press that the grab takes.
#include <X11/Xlib.h>

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: grabkeyboard READYFILE [KEYSFILE]\n");
        return 2;
    }
    Display* dpy = XOpenDisplay(nullptr);
    if (dpy == nullptr) {
        std::fprintf(stderr, "grabkeyboard: cannot open the X display\n");
        return 1;
    }
    if (XGrabKeyboard(dpy, DefaultRootWindow(dpy), False, GrabModeAsync, GrabModeAsync,
                      CurrentTime) != GrabSuccess) {
        std::fprintf(stderr, "grabkeyboard: the keyboard is grabbed already\n");
        return 1;
    }
    XSync(dpy, False);
    {
        std::ofstream ready(std::string(argv[1]) + ".tmp");
        ready << "grabbed\n";
    }
    std::rename((std::string(argv[1]) + ".tmp").c_str(), argv[1]);
    std::ofstream keys;
    if (argc == 3) {
        keys.open(argv[2], std::ios::binary | std::ios::app);
    }
    for (;;) {
        XEvent event;
        XNextEvent(dpy, &event);
        if (event.type == KeyPress && keys.is_open()) {
            keys << 'k' << std::flush;
        }
    }
}
