// Playing a whole Script field with the script delay after every step.
#include <string>

#include "keys/playscript.h"
#include "keytest.h"

namespace orvanel {
namespace {

using namespace keytest;

class PlayScriptTest : public KeysTest {};

TEST_F(PlayScriptTest, ScriptDelayText) {
    const struct {
        const char* text;
        std::uint32_t milliseconds;
    } cases[] = {
        {"0", 0},
        {"250", 250},
        {"3000", 3000},
        {"", 100},
        {"abc", 100},
        {"12a", 100},
        {"-5", 0},
        {"$10", 16},
        {"+7", 7},
        {"2147483647", 2147483647u},
        {"2147483648", 100},
        {"$FFFFFFFF", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ScriptDelayMilliseconds(c.text), c.milliseconds) << c.text;
    }
}

TEST_F(PlayScriptTest, StepsEachFollowedByTheDelay) {
    const struct {
        std::string script;
        const char* delay;
        std::string expected;
    } cases[] = {
        {"", "0", ""},
        {"", "250", ""},
        {"a", "0", K("a") + Sleep(0)},
        {"a;b;c", "250", K("a") + Sleep(250) + K("b") + Sleep(250) + K("c") + Sleep(250)},
        {"a;", "0", K("a") + Sleep(0) + Sleep(0)},
        {";", "x", Sleep(100) + Sleep(100)},
        {";;", "-1", Sleep(0) + Sleep(0) + Sleep(0)},
        {"{SLEEP 1};x", "5", Sleep(1000) + Sleep(5) + K("x") + Sleep(5)},
        {"it's \"fine\";{TAB}", "0",
         K("it's ") + SK("\"") + K("fine") + SK("\"") + Sleep(0) + V(9) + Sleep(0)},
        // A group does not reach over a step's end.
        {"+(ab;c)", "0", Shift(K("ab")) + Sleep(0) + K("c") + SK(")") + Sleep(0)},
        // Text after a NUL, or past 255 characters, is not part of the script.
        {std::string("a\0b;c", 5), "0", K("a") + Sleep(0)},
        {std::string(300, 'a'), "0", K(std::string(255, 'a')) + Sleep(0)},
        {std::string(254, 'a') + ";b", "0", K(std::string(254, 'a')) + Sleep(0) + Sleep(0)},
    };
    for (const auto& c : cases) {
        PlayScript(out, c.script, c.delay);
        EXPECT_EQ(Take(), c.expected) << "script: " << c.script << " delay: " << c.delay;
        EXPECT_TRUE(desktop.HeldKeys().empty());
    }
}

} // namespace
} // namespace orvanel
