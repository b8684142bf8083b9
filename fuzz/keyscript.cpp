// Fuzz target: one script step played on the recording desktop.
//
// The input is a step: bytes after the 255th are cut, and ";" (the step
// separator) and NUL, which a step taken from a task line never holds, are
// left out. Every text is a valid step; besides not crashing, a completed
// play must
//   - leave the SHIFT, CTRL and ALT latches clear, and
//   - release every key it pressed, and release no key that it did not press.
//
// A step may be astronomically long to play ({x 2147483647} taps x two
// thousand million times, and nested repetitions multiply). Such a play is
// valid, not a hang: the desktop below counts the events and waits, and once
// a budget is spent it throws, which abandons the play. The latch and
// held-key checks apply to completed plays only.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "desktop/recording/recording.h"
#include "keys/keyoutput.h"
#include "keys/keyscript.h"

namespace {

using namespace orvanel;

constexpr std::uint64_t kEventBudget = 20'000;

struct BudgetSpent {};

// The recording desktop with a budget of keyboard events and waits. The
// record is dropped from time to time so that a long play does not fill
// the memory; the held keys are kept by the recording desktop itself.
class BudgetDesktop : public RecordingDesktop {
public:
    void keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                     std::uintptr_t extraInfo) override {
        Spend();
        RecordingDesktop::keybd_event(virtualKey, scanCode, flags, extraInfo);
    }
    void Sleep(std::uint32_t milliseconds) override {
        Spend();
        RecordingDesktop::Sleep(milliseconds);
    }

private:
    void Spend() {
        if (++spent_ > kEventBudget) {
            throw BudgetSpent{};
        }
        if (Lines().size() >= 4096) {
            ClearRecord();
        }
    }
    std::uint64_t spent_ = 0;
};

void Fail(const std::string& step, const char* what) {
    std::fprintf(stderr, "step of %zu bytes: %s\n", step.size(), what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string step;
    for (std::size_t i = 0; i < size && step.size() < kMaxStepLength; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c != ';' && c != '\0') {
            step += c;
        }
    }

    BudgetDesktop desktop;
    KeyOutput out(desktop);
    try {
        PlayStep(out, step);
    } catch (const BudgetSpent&) {
        return 0; // a valid but very long play, abandoned
    }
    if (out.shiftLatch || out.ctrlLatch || out.altLatch) {
        Fail(step, "a modifier latch is still set after the play");
    }
    if (!desktop.HeldKeys().empty()) {
        std::string keys;
        for (const auto& [key, count] : desktop.HeldKeys()) {
            keys += " " + std::to_string(key) + "x" + std::to_string(count);
        }
        Fail(step, ("keys not released (or released unpressed):" + keys).c_str());
    }
    return 0;
}
