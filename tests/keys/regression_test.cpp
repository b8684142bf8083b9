// Faults found by fuzzing the key script interpreter.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>

#include "desktop/recording/recording.h"
#include "keys/keyoutput.h"
#include "keys/keyscript.h"

namespace orvanel {
namespace {

// Plays a step on a fresh recording desktop and returns the record. A play
// that has not ended after a generous bound ends the whole test program,
// since a thread that is stuck in the interpreter cannot be stopped.
std::string PlayBounded(const std::string& step) {
    std::packaged_task<std::string()> task([step] {
        RecordingDesktop desktop;
        KeyOutput out(desktop);
        PlayStep(out, step);
        return desktop.Record();
    });
    std::future<std::string> record = task.get_future();
    std::thread(std::move(task)).detach();
    if (record.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        std::fprintf(stderr, "The step \"%s\" still plays after 30 seconds.\n", step.c_str());
        std::fflush(stderr);
        std::_Exit(1);
    }
    return record.get();
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
