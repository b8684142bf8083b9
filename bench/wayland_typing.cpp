// Typing throughput of the desktop backend that this session gets (sway and
// the other wlroots compositors, KDE Plasma), end to end: a 2,000-character
// text typed into wltarget through VkKeyScanA and keybd_event by one
// long-running backend, as the program types, timed from the first key until
// the window has written the last character, and checked character by
// character. Run it through bench/wayland_typing.sh, which starts a private
// compositor.
//
//   bench_wayland_typing --wltarget PATH [--chars N] [--runs N]
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "desktop/choice/opendesktop.h"
#include "typingbench.h"

namespace {

using namespace typingbench;

Result Type(orvanel::DesktopServices& desktop, const std::string& text, const std::string& out) {
    Clear(out);
    const auto start = Clock::now();
    for (const char c : text) {
        const std::int16_t key = desktop.VkKeyScanA(c);
        const auto vk = static_cast<std::uint8_t>(key & 0xFF);
        const bool shift = (key & 0x100) != 0;
        if (shift) {
            desktop.keybd_event(16, 0x2A, orvanel::kKeyEventKeyDown, 0);
        }
        desktop.keybd_event(vk, 0, orvanel::kKeyEventKeyDown, 0);
        desktop.keybd_event(vk, 0, orvanel::kKeyEventKeyUp, 0);
        if (shift) {
            desktop.keybd_event(16, 0x2A, orvanel::kKeyEventKeyUp, 0);
        }
    }
    desktop.Sleep(0); // every key written out
    const auto end = WaitForText(out, text.size(), start);
    return {std::chrono::duration<double>(end - start).count(), Lost(text, ReadFile(out))};
}

} // namespace

int main(int argc, char** argv) {
    std::string wltarget;
    std::size_t chars = 2000;
    int runs = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--wltarget") {
            wltarget = argv[i + 1];
        } else if (arg == "--chars") {
            chars = std::stoul(argv[i + 1]);
        } else if (arg == "--runs") {
            runs = std::stoi(argv[i + 1]);
        }
    }
    if (wltarget.empty()) {
        std::fprintf(stderr,
                     "usage: bench_wayland_typing --wltarget PATH [--chars N] [--runs N]\n");
        return 2;
    }
    orvanel::OpenedDesktop opened = orvanel::OpenDesktop();
    if (!opened.desktop || std::string(opened.backend) == "x11") {
        std::fprintf(stderr, "no Wayland backend: %s\n", opened.error.c_str());
        return 1;
    }
    char dirTemplate[] = "/tmp/orvanel-bench-XXXXXX";
    const std::string dir = mkdtemp(dirTemplate);
    const std::string out = dir + "/keys.txt";
    const std::string title = "Orvanel typing benchmark";
    const pid_t target = Spawn({wltarget, "--title", title, "--out", out});
    const auto deadline = Clock::now() + 5s;
    while (ReadFile(out + ".ready").empty() && Clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
    orvanel::DesktopServices& desktop = *opened.desktop;
    const orvanel::WindowHandle window = desktop.FindWindowA(nullptr, title.c_str());
    desktop.ShowWindow(window, orvanel::kShowNormal);
    desktop.SetForegroundWindow(window);
    desktop.SendMessageA(window, orvanel::kWmSetFocus, 0, 0);

    Type(desktop, "warm up", out); // the window reads the keymap
    const std::string text = Text(chars);
    Result best{1e9, 0};
    std::size_t lost = 0;
    for (int run = 0; run < runs; ++run) {
        const Result result = Type(desktop, text, out);
        std::printf("run %d: %.3f s (%zu lost)\n", run + 1, result.seconds, result.lost);
        lost += result.lost;
        best = result.seconds < best.seconds ? result : best;
    }
    std::printf("%s backend: %8.0f chars/s (best of %d runs of %zu), %zu lost in all runs\n",
                opened.backend, static_cast<double>(chars) / best.seconds, runs, chars, lost);
    kill(target, SIGTERM);
    waitpid(target, nullptr, 0);
    std::remove(out.c_str());
    std::remove((out + ".ready").c_str());
    rmdir(dir.c_str());
    return lost == 0 ? 0 : 1;
}
