// holdkeys_win32 READYFILE: holds SHIFT and F24 down through the Windows
// backend, writes "ready" to READYFILE, and waits to be ended from outside.
#include <cstdio>

#include "desktop/win32/win32desktop.h"

#include <windows.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: holdkeys_win32 READYFILE\n");
        return 2;
    }
    orvanel::Win32Desktop desktop;
    if (!desktop.ReleaseGuardRunning()) {
        return 1;
    }
    desktop.keybd_event(VK_SHIFT, 0x2A, orvanel::kKeyEventKeyDown, 0);
    desktop.keybd_event(VK_F24, 0x76, orvanel::kKeyEventKeyDown, 0);
    if (FILE* ready = std::fopen(argv[1], "wb")) {
        std::fputs("ready", ready);
        std::fclose(ready);
    }
    ::Sleep(INFINITE);
    return 0;
}
