// holdkeys: holds keys through the X11 desktop backend and then ends in a
// chosen way, so that a test can see that nothing stays pressed or bound.
//
//   holdkeys signal READYFILE   hold, then wait for a signal
//   holdkeys exit READYFILE     hold, then exit(3) without closing the backend
//   holdkeys return READYFILE   hold, then close the backend and return 0
//   holdkeys crash READYFILE    hold, then crash (SIGSEGV)
//   holdkeys crash-threaded READYFILE   the same with a second thread running
//                               before the backend opens
//
// It holds SHIFT (VK 16), the key of "a" (VK 65) and the key of "é", which
// the US layout lacks (a spare keycode gets bound to it), and writes
// "ready BOUND\nguard PID\n" to READYFILE once they are down.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

#include "desktop/x11/x11desktop.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: holdkeys signal|exit|return|crash|crash-threaded READYFILE\n");
        return 2;
    }
    std::string mode = argv[1];
    if (mode == "crash-threaded") {
        std::thread([] { pause(); }).detach();
        mode = "crash";
    }
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);

    std::string error;
    auto desktop = orvanel::X11Desktop::Open(nullptr, error);
    if (!desktop) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    desktop->keybd_event(16, 0x2A, orvanel::kKeyEventKeyDown, 0);
    desktop->keybd_event(65, 0x1E, orvanel::kKeyEventKeyDown, 0);
    const auto eacute = static_cast<std::uint8_t>(desktop->VkKeyScanA('\xE9') & 0xFF);
    desktop->keybd_event(eacute, 0, orvanel::kKeyEventKeyDown, 0);
    {
        std::ofstream ready(std::string(argv[2]) + ".tmp");
        ready << "ready " << desktop->BoundSpareKeycodes() << "\nguard "
              << desktop->ReleaseGuardProcess() << "\n";
    }
    std::rename((std::string(argv[2]) + ".tmp").c_str(), argv[2]);

    if (mode == "signal") {
        for (;;) {
            pause();
        }
    }
    usleep(300'000);
    if (mode == "crash") {
        std::raise(SIGSEGV); // no handler of the backend catches it
    }
    if (mode == "exit") {
        (void)desktop.release(); // left open on purpose: the exit handler must clean up
        std::exit(3);
    }
    return 0;
}
