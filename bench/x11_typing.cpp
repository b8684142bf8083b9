// Typing throughput of the X11 desktop backend, end to end: a 2,000-character
// text typed into the project's target window (targetwin) through
// VkKeyScanA and keybd_event, timed from the first key until the window has
// written the last character, and checked character by character. The same
// text is then typed by `xdotool type --delay 0` in the same session for
// comparison, and once more by the backend behind the gate that every key of
// a task run passes (scheduler/guardeddesktop.h). Needs an X display: run it through
// bench/x11_typing.sh, which starts a private Xvfb.
//
//   bench_x11_typing --targetwin PATH [--chars N] [--runs N]
#include <algorithm>
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
#include "scheduler/guardeddesktop.h"
#include "typingbench.h"

namespace {

using namespace typingbench;

// The times of one way of typing over the runs.
struct Series {
    const char* name;
    std::vector<double> seconds;
    std::size_t lost = 0;

    const Result& Add(const Result& result) {
        seconds.push_back(result.seconds);
        lost += result.lost;
        return result;
    }
    // Characters per second at a quantile of the times (0: the best).
    double Rate(std::size_t chars, double quantile) const {
        std::vector<double> sorted = seconds;
        std::sort(sorted.begin(), sorted.end());
        const auto at = static_cast<std::size_t>(quantile * static_cast<double>(sorted.size() - 1));
        return static_cast<double>(chars) / sorted.at(at);
    }
};

Result TypeWithBackend(orvanel::DesktopServices& desktop, const std::string& text,
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

// The same through a task run's gate, with the stop key watched and every
// key checked against the window (the focus looked at every 50 ms). As in a
// run, the step begins, and takes its look at the focus and the input,
// before its first key: that look is timed on its own below.
Result TypeThroughGate(orvanel::X11Desktop& desktop, orvanel::WindowHandle window,
                       const std::string& text, const std::string& out) {
    orvanel::GuardedDesktop gate(desktop);
    gate.WatchStopKey();
    gate.GuardWindow(window);
    gate.BeginStep();
    return TypeWithBackend(gate, text, out);
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
    Series backend{"backend (VkKeyScanA + keybd_event)", {}, 0};
    Series gated{"the same through a run's key gate", {}, 0};
    Series xdotool{"xdotool type --delay 0", {}, 0};
    for (int run = 0; run < runs; ++run) {
        const Result ours = backend.Add(TypeWithBackend(*desktop, text, out));
        const Result through = gated.Add(TypeThroughGate(*desktop, window, text, out));
        const Result xdo = xdotool.Add(TypeWithXdotool(text, textFile, out));
        std::printf("run %d: backend %.3f s (%zu lost), through the gate %.3f s (%zu lost), "
                    "xdotool %.3f s (%zu lost)\n",
                    run + 1, ours.seconds, ours.lost, through.seconds, through.lost, xdo.seconds,
                    xdo.lost);
    }
    // xdotool's time varies from run to run by a factor of five: the median
    // is the fairer comparison, the best the most favourable to xdotool.
    std::printf("text: %zu characters, %d runs; chars/s best and median\n", chars, runs);
    for (const Series* series : {&backend, &gated, &xdotool}) {
        std::printf("%-36s %8.0f %8.0f chars/s, %zu lost in all runs\n", series->name,
                    series->Rate(chars, 0.0), series->Rate(chars, 0.5), series->lost);
    }
    for (const Series* series : {&backend, &gated}) {
        std::printf("ratio to xdotool, %s: best %.2f, median %.2f\n", series->name,
                    series->Rate(chars, 0.0) / xdotool.Rate(chars, 0.0),
                    series->Rate(chars, 0.5) / xdotool.Rate(chars, 0.5));
    }
    // What each look of the gate costs here: the focus, looked at every 50 ms
    // of typing, and the input, looked at after every wait.
    const auto microseconds = [](int count, const auto& look) {
        const auto start = Clock::now();
        for (int i = 0; i < count; ++i) {
            look();
        }
        return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / count;
    };
    std::printf("a look at the focus (FocusIsWith): %.0f us\n",
                microseconds(200, [&] { desktop->FocusIsWith(window); }));
    std::printf("a look at the input (InputBlocked): %.0f us\n",
                microseconds(50, [&] { desktop->InputBlocked(); }));
    kill(target, SIGTERM);
    waitpid(target, nullptr, 0);
    std::remove(out.c_str());
    std::remove(ready.c_str());
    std::remove(textFile.c_str());
    rmdir(dir.c_str());
    return backend.lost + gated.lost == 0 ? 0 : 1;
}
