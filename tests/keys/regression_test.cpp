// Faults found by fuzzing the key script interpreter.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "desktop/recording/recording.h"
#include "keys/keyoutput.h"
#include "keys/keyscript.h"

namespace orvanel {
namespace {

// A play that has not ended after a generous bound ends the whole test
// program, since a play stuck in the interpreter cannot be stopped. The plays
// run on the test's own thread and one watchdog thread, started once, looks at
// the step now playing: under Wine on a loaded machine a thread started for
// every step could wait more than the bound before it first ran.
struct StepWatch {
    std::mutex mutex;
    std::string step;
    std::chrono::steady_clock::time_point started;
    bool playing = false;
};

StepWatch& Watchdog() {
    // Lives as long as the program, as its thread does.
    static StepWatch* const watch = [] {
        auto* w = new StepWatch;
        std::thread([w] {
            for (;;) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                const std::lock_guard<std::mutex> lock(w->mutex);
                if (w->playing &&
                    std::chrono::steady_clock::now() - w->started > std::chrono::seconds(30)) {
                    std::fprintf(stderr, "The step \"%s\" still plays after 30 seconds.\n",
                                 w->step.c_str());
                    std::fflush(stderr);
                    std::_Exit(1);
                }
            }
        }).detach();
        return w;
    }();
    return *watch;
}

// Plays a step on a fresh recording desktop and returns the record.
std::string PlayBounded(const std::string& step) {
    StepWatch& watch = Watchdog();
    {
        const std::lock_guard<std::mutex> lock(watch.mutex);
        watch.step = step;
        watch.started = std::chrono::steady_clock::now();
        watch.playing = true;
    }
    RecordingDesktop desktop;
    KeyOutput out(desktop);
    PlayStep(out, step);
    const std::lock_guard<std::mutex> lock(watch.mutex);
    watch.playing = false;
    return desktop.Record();
}

// A text repeated by a brace group whose play sends nothing (here the
// unclosed "{ " plays an empty name) used to be played every one of its
// repetitions: two thousand million empty plays take minutes, and nested
// inside another repetition they would never end. All of them are silent.
TEST(KeyScriptRegression, SilentTextRepetitionsEndAtOnce) {
    const struct {
        const char* step;
        const char* record;
    } cases[] = {
        {"{{  2147483647}", ""},
        {"{{{  2147483647x 2147483647}", ""},
        {"{{{{  2147483647x 2147483647x 2147483647}", ""},
        // Around a keystroke, the silent repetition leaves the rest alone.
        {"a{{  2147483647}b", "down 65 30\nup 65 30\ndown 66 48\nup 66 48\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PlayBounded(c.step), c.record) << c.step;
    }
}

// Repetitions that do send something, or only wait, are all played.
TEST(KeyScriptRegression, RepetitionsThatActAreAllPlayed) {
    const struct {
        const char* step;
        const char* record;
    } cases[] = {
        {"{ab 2}", "down 65 30\nup 65 30\ndown 66 48\nup 66 48\n"
                   "down 65 30\nup 65 30\ndown 66 48\nup 66 48\n"},
        // The unclosed "{SLEEPx" plays the name SLEEP: a wait and no key.
        {"{{SLEEPx 3}", "sleep 1000\nsleep 1000\nsleep 1000\n"},
        // A prefix group around an empty text still presses and releases.
        {"{+() 2}", "down 16 42\nup 16 42\ndown 16 42\nup 16 42\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PlayBounded(c.step), c.record) << c.step;
    }
}

} // namespace
} // namespace orvanel
