// Key scripts end to end: script steps played by the interpreter through the
// X11 backend on a real X server (run_with_xvfb.sh gives each run its own
// Xvfb) and typed into targetwin, with the US and with a German keyboard
// layout. What targetwin writes down is compared with what the script means;
// afterwards no key and no modifier may still be down in the server.
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

#include "keys/keyoutput.h"
#include "keys/keyscript.h"
#include "keys/playscript.h"
#include "support/scripttext.h"
#include "x11testing.h"

namespace orvanel {
namespace {

using namespace x11test;

std::string PrintableAscii() {
    std::string text;
    for (char c = 0x20; c < 0x7F; ++c) {
        text += c;
    }
    return text;
}

using test::LiteralScript;

class KeyScriptE2eTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (!HaveDisplay()) {
            GTEST_SKIP() << "no X display (run the test through run_with_xvfb.sh)";
        }
        std::string error;
        desktop = X11Desktop::Open(nullptr, error);
        ASSERT_TRUE(desktop) << error;
        layout = std::make_unique<LayoutScope>(GetParam());
        ASSERT_TRUE(layout->Ok()) << "setxkbmap " << GetParam();
        target = TargetWindow::Start(std::string("Orvanel scripts ") + GetParam());
        ASSERT_TRUE(target);
        desktop->ShowWindow(target->Window(), kShowNormal);
        desktop->SetForegroundWindow(target->Window());
        desktop->SendMessageA(target->Window(), kWmSetFocus, 0, 0);
        ASSERT_EQ(desktop->FocusWindow(), target->Window());
        keys = std::make_unique<KeyOutput>(*desktop);
    }
    void TearDown() override {
        keys.reset();
        if (desktop) {
            desktop.reset();
            EXPECT_EQ(PressedKeycodes(), std::vector<int>{}) << "a key stayed down";
        }
        target.reset();
        layout.reset(); // back to the US layout
    }

    // Plays `step` and checks that exactly `expected` arrives, that the
    // interpreter holds no modifier and that the server has no key down;
    // then that a plain "x" still arrives as a plain "x".
    void ExpectStep(const std::string& step, const std::string& expected) {
        SCOPED_TRACE("step: " + step);
        target->ClearOutput();
        PlayStep(*keys, step);
        EXPECT_FALSE(keys->shiftLatch || keys->ctrlLatch || keys->altLatch);
        EXPECT_EQ(PressedKeycodes(), std::vector<int>{}) << "a key or modifier stayed down";
        PlayStep(*keys, "x");
        EXPECT_EQ(target->WaitForOutput(expected + "x"), expected + "x");
    }

    std::unique_ptr<X11Desktop> desktop;
    std::unique_ptr<LayoutScope> layout;
    std::unique_ptr<TargetWindow> target;
    std::unique_ptr<KeyOutput> keys;
};

TEST_P(KeyScriptE2eTest, EveryPrintableAsciiCharacterIsTypedExactly) {
    const std::string text = PrintableAscii();
    const std::string script = LiteralScript(text);
    ASSERT_LE(script.size(), kMaxStepLength);
    ExpectStep(script, text);
    // Backwards too, so that no character owes its result to the one before.
    const std::string backwards(text.rbegin(), text.rend());
    ExpectStep(LiteralScript(backwards), backwards);
}

TEST_P(KeyScriptE2eTest, AScriptOfStepsTypesEveryStepInOrder) {
    // ";" divides steps, so a script types every printable character but ";".
    const std::string text = PrintableAscii();
    const std::size_t semicolon = text.find(';');
    const std::string before = text.substr(0, semicolon);
    const std::string after = text.substr(semicolon + 1);
    target->ClearOutput();
    PlayScript(*keys, LiteralScript(before) + ";" + LiteralScript(after) + ";{TAB};", "0");
    const std::string expected = before + after + "<Tab>";
    EXPECT_EQ(target->WaitForOutput(expected), expected);
    EXPECT_EQ(PressedKeycodes(), std::vector<int>{});
}

TEST_P(KeyScriptE2eTest, NamedKeysActAsTheirKeys) {
    struct Case {
        const char* step;
        const char* expected;
    };
    const Case cases[] = {
        {"{TAB}", "<Tab>"},
        {"{ENTER}", "<Return>"},
        {"{BACKSPACE}", "<BackSpace>"},
        {"{LEFT}", "<Left>"},
        {"{HOME}", "<Home>"},
        {"~", "<Return>"},
        {"{tab 3}", "<Tab><Tab><Tab>"},
        {"{Bs 2}{left}{Home}", "<BackSpace><BackSpace><Left><Home>"},
        {"a{TAB}b~c", "a<Tab>b<Return>c"},
        {"{TAB 0}{TAB -2}", ""},
    };
    for (const Case& c : cases) {
        ExpectStep(c.step, c.expected);
    }
}

TEST_P(KeyScriptE2eTest, ModifierPrefixesHoldTheirModifier) {
    struct Case {
        const char* step;
        const char* expected;
    };
    const Case cases[] = {
        {"^a", "<Ctrl+a>"},
        {"+(abc)", "ABC"},
        {"+a", "A"},
        {"%f", "<Alt+f>"},
        {"^(+a)", "<Ctrl+A>"},
        {"^(ac)", "<Ctrl+a><Ctrl+c>"},
        // A capital in a SHIFT group presses and releases SHIFT itself, and
        // that release lets go of the group's SHIFT too.
        {"+(aBc)d", "ABcd"},
        {"+{TAB}", "<Shift+Tab>"},
        {"+{ab}", "AB"},
        {"+{~}", "~"},
        {"^+a", "<Ctrl+=>a"}, // CTRL with the key of "+", then a plain "a"
        // Groups that are never closed end with the step, and so does their
        // modifier.
        {"+(abc", "ABC"},
        {"^(a", "<Ctrl+a>"},
        {"^{TAB", "<Ctrl+Tab>"},
        {"{TAB", "TA"}, // a brace group keeps the step's last character out
        {"a^", "a"},
        {"+(", ""},
    };
    for (const Case& c : cases) {
        ExpectStep(c.step, c.expected);
    }
}

TEST_P(KeyScriptE2eTest, BracedSymbolsAndApostrophesAreTypedAsThemselves) {
    struct Case {
        const char* step;
        const char* expected;
    };
    const Case cases[] = {
        {"1{+}1=2", "1+1=2"}, {"{{}{}}", "{}"},
        {"{TAB}}", "}"},      {"}", "]"}, // a "}" outside braces is typed without SHIFT
        {"{+ 3}", "+++"},     {"it's \"fine\"", "it's \"fine\""},
        {"{'}{\"}", "'\""},   {"{Hi 2}", "HiHi"},
    };
    for (const Case& c : cases) {
        ExpectStep(c.step, c.expected);
    }
}

// One table, typed while the window is stopped and read when it wakes 3 s
// later: a window that reads its input late (a program that has just
// started, a loaded machine) must still get every key right.
TEST_P(KeyScriptE2eTest, StepsTypedIntoAStoppedWindowArriveRightWhenItWakes) {
    struct Row {
        const char* step;
        const char* expected; // code page 1252
    };
    const Row rows[] = {
        {"x+ y", "x y"},                                          // SHIFT with a blank
        {"+(ab cd)+1", "AB CD!"},                                 // a blank in a SHIFT group
        {"\xE9 \xFC \xDF \x80 \xC4", "\xE9 \xFC \xDF \x80 \xC4"}, // on borrowed keycodes
        {"a{PRTSC}b{PRINTSCREEN}c", "abc"},                       // never the screenshot key
    };
    target = TargetWindow::Start(std::string("Orvanel late reader ") + GetParam(),
                                 {.keymapOnRead = true});
    ASSERT_TRUE(target);
    desktop->ShowWindow(target->Window(), kShowNormal);
    desktop->SetForegroundWindow(target->Window());
    desktop->SendMessageA(target->Window(), kWmSetFocus, 0, 0);
    target->Signal(SIGSTOP);
    std::string expected;
    for (const Row& row : rows) {
        PlayStep(*keys, row.step);
        PlayStep(*keys, "{TAB}");
        expected += Utf8FromCp1252(row.expected) + "<Tab>";
    }
    desktop->Sleep(3000);
    target->Signal(SIGCONT);
    const std::string got = target->WaitForOutput(expected);
    std::size_t at = 0;
    for (const Row& row : rows) {
        const std::size_t end = got.find("<Tab>", at);
        EXPECT_EQ(got.substr(at, end - at), Utf8FromCp1252(row.expected)) << "step: " << row.step;
        at = end == std::string::npos ? got.size() : end + 5;
    }
    EXPECT_EQ(PressedKeycodes(), std::vector<int>{});
}

INSTANTIATE_TEST_SUITE_P(Layouts, KeyScriptE2eTest, ::testing::Values("us", "de"),
                         [](const auto& info) { return std::string(info.param); });

} // namespace
} // namespace orvanel
