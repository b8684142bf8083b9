// Random steps: whatever the text, a step ends with every key and modifier
// released in balanced pairs and no latch set.
#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <string>

#include "keys/keyscript.h"
#include "keytest.h"

namespace orvanel {
namespace {

using namespace keytest;

// Rich in the characters that have a meaning in a step.
constexpr std::string_view kAlphabet = "+^%(){}~ ()+{}  0123456789aAbBxXtT$-\"'|;_";

// A random step of 0 to 255 characters. Repeat counts stay small so that the
// test stays fast: after a blank, "$" is left out and at most one digit from
// 0 to 3 may follow (after an optional sign), so no count exceeds 3.
std::string RandomStep(std::mt19937& random) {
    std::uniform_int_distribution<std::size_t> lengthOf(0, 255);
    std::uniform_int_distribution<std::size_t> charOf(0, kAlphabet.size() - 1);
    std::string step(lengthOf(random), ' ');
    for (char& c : step) {
        c = kAlphabet[charOf(random)];
    }
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    for (std::size_t i = 0; i < step.size(); ++i) {
        if (step[i] != ' ') {
            continue;
        }
        std::size_t j = i + 1;
        if (j < step.size() && step[j] == '$') {
            step[j] = 'x';
        }
        if (j < step.size() && (step[j] == '+' || step[j] == '-')) {
            ++j;
        }
        if (j < step.size() && isDigit(step[j])) {
            step[j] = static_cast<char>('0' + (step[j] - '0') % 4);
            for (++j; j < step.size() && isDigit(step[j]); ++j) {
                step[j] = 'x';
            }
        }
    }
    return step;
}

TEST(KeyScriptProperty, RandomStepsReleaseEverythingTheyPress) {
    std::mt19937 random(20260105);
    RecordingDesktop desktop;
    KeyOutput out(desktop);
    std::size_t totalEvents = 0;
    for (int round = 0; round < 4000; ++round) {
        const std::string step = RandomStep(random);
        PlayStep(out, step);

        EXPECT_FALSE(out.shiftLatch || out.ctrlLatch || out.altLatch) << step;
        EXPECT_TRUE(desktop.HeldKeys().empty()) << step;

        // Every key is released after it was pressed: a key-up never comes
        // before its key-down, and every key other than a modifier is
        // released at once.
        std::map<int, int> down;
        const auto& lines = desktop.Lines();
        for (std::size_t i = 0; i < lines.size(); ++i) {
            int vk = 0;
            int scan = 0;
            if (std::sscanf(lines[i].c_str(), "down %d %d", &vk, &scan) == 2) {
                ++down[vk];
                if (vk < 16 || vk > 18) {
                    ASSERT_LT(i + 1, lines.size()) << step;
                    ASSERT_EQ(lines[i + 1] + "\n", Up(vk, scan)) << step;
                }
            } else if (std::sscanf(lines[i].c_str(), "up %d %d", &vk, &scan) == 2) {
                ASSERT_GT(down[vk]--, 0) << "released before pressed: " << step;
            } else {
                ASSERT_TRUE(lines[i].starts_with("sleep ")) << lines[i] << " in " << step;
            }
        }
        totalEvents += lines.size();
        desktop.ClearRecord();
    }
    EXPECT_GT(totalEvents, 100000u);
}

} // namespace
} // namespace orvanel
