// Typing throughput of the X11 desktop backend, end to end: a 2,000-character
// text typed into the project's target window (targetwin) through
// VkKeyScanA and keybd_event, timed from the first key until the window has
// written the last character, and checked character by character. The same
// text is then typed by `xdotool type --delay 0` in the same session for
// comparison. Needs an X display: run it through bench/x11_typing.sh, which
// starts a private Xvfb.
//
//   bench_x11_typing --targetwin PATH [--chars N] [--runs N]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "desktop/x11/x11desktop.h"
#include "typingbench.h"

namespace {

using namespace typingbench;

Result TypeWithBackend(orvanel::X11Desktop& desktop, const std::string& text,
                       const std::string& out) {
    Clear(out);
    const auto start = Clock::now();
    for (char c : text) {
        const std::int16_t key = desktop.VkKeyScanA(c);
        const auto vk = static_cast<std::uint8_t>(key & 0xFF);
        const auto scan = static_cast<std::uint8_t>(desktop.MapVirtualKeyA(vk, 0));
        const bool shift = (key & 0x100) != 0;
        if (shift) {
            desktop.keybd_event(16, 0x2A, orvanel::kKeyEventKeyDown, 0);
        }
        desktop.keybd_event(vk, scan, orvanel::kKeyEventKeyDown, 0);
        desktop.keybd_event(vk, scan, orvanel::kKeyEventKeyUp, 0);
        if (shift) {
            desktop.keybd_event(16, 0x2A, orvanel::kKeyEventKeyUp, 0);
        }
    }
    const auto end = WaitForText(out, text.size(), start);
    return {std::chrono::duration<double>(end - start).count(), Lost(text, ReadFile(out))};
}

Result TypeWithXdotool(const std::string& text, const std::string& textFile,
                       const std::string& out) {
    Clear(out);
    const auto start = Clock::now();
    const pid_t pid = Spawn({"xdotool", "type", "--delay", "0", "--file", textFile});
    if (pid < 0) {
        return {0, text.size()};
    }
    const auto end = WaitForText(out, text.size(), start);
    int status = 0;
    waitpid(pid, &status, 0);
    return {std::chrono::duration<double>(end - start).count(), Lost(text, ReadFile(out))};
}

} // namespace

int main(int argc, char** argv) {
    std::string targetwin;
    std::size_t chars = 2000;
    int runs = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--targetwin") {
            targetwin = argv[i + 1];
        } else if (arg == "--chars") {
            chars = std::stoul(argv[i + 1]);
        } else if (arg == "--runs") {
            runs = std::stoi(argv[i + 1]);
        }
    }
    if (targetwin.empty()) {
        std::fprintf(stderr, "usage: bench_x11_typing --targetwin PATH [--chars N] [--runs N]\n");
        return 2;
    }
    std::string error;
    auto desktop = orvanel::X11Desktop::Open(nullptr, error);
    if (!desktop) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    char dirTemplate[] = "/tmp/orvanel-bench-XXXXXX";
    const std::string dir = mkdtemp(dirTemplate);
    const std::string out = dir + "/keys.txt", ready = out + ".ready";
    const std::string text = Text(chars), textFile = dir + "/text.txt";
    std::ofstream(textFile, std::ios::binary) << text;

    const pid_t target =
        Spawn({targetwin, "--title", "Orvanel typing benchmark", "--out", out, "--ready", ready});
    const auto deadline = Clock::now() + 5s;
    while (ReadFile(ready).empty() && Clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
    const orvanel::WindowHandle window = std::stoull("0" + ReadFile(ready));
    desktop->ShowWindow(window, orvanel::kShowNormal);
    desktop->SetForegroundWindow(window);
    desktop->SendMessageA(window, orvanel::kWmSetFocus, 0, 0);
    if (desktop->FocusWindow() != window) {
        std::fprintf(stderr, "the target window did not get the focus\n");
        return 1;
    }

    TypeWithBackend(*desktop, "warm up", out); // the window loads its keymap
    Result best{1e9, 0}, bestXdo{1e9, 0};
    std::size_t lost = 0, lostXdo = 0;
    for (int run = 0; run < runs; ++run) {
        const Result ours = TypeWithBackend(*desktop, text, out);
        const Result xdo = TypeWithXdotool(text, textFile, out);
        std::printf("run %d: backend %.3f s (%zu lost), xdotool %.3f s (%zu lost)\n", run + 1,
                    ours.seconds, ours.lost, xdo.seconds, xdo.lost);
        lost += ours.lost;
        lostXdo += xdo.lost;
        if (ours.seconds < best.seconds) {
            best = ours;
        }
        if (xdo.seconds < bestXdo.seconds) {
            bestXdo = xdo;
        }
    }
    const double rate = static_cast<double>(chars) / best.seconds;
    const double rateXdo = static_cast<double>(chars) / bestXdo.seconds;
    std::printf("text: %zu characters, best of %d runs\n", chars, runs);
    std::printf("backend (VkKeyScanA + keybd_event): %8.0f chars/s, %zu lost in all runs\n", rate,
                lost);
    std::printf("xdotool type --delay 0:             %8.0f chars/s, %zu lost in all runs\n",
                rateXdo, lostXdo);
    std::printf("ratio backend / xdotool: %.2f\n", rate / rateXdo);
    kill(target, SIGTERM);
    waitpid(target, nullptr, 0);
    std::remove(out.c_str());
    std::remove(ready.c_str());
    std::remove(textFile.c_str());
    rmdir(dir.c_str());
    return lost == 0 ? 0 : 1;
}
