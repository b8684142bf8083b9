// The X11 desktop backend against a real X server (run_with_xvfb.sh gives
// each run its own Xvfb): windows found by exact title, activation with and
// without a window manager, typing with different keyboard layouts, and no
// keys left pressed or keycodes left bound however the program ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>

#include <X11/XKBlib.h>

#include "x11testing.h"

// Lets a test make the backend's keymap read fail; every other call goes to
// the real function.
bool gFailKeymapRead = false;

extern "C" XkbDescPtr XkbGetMap(Display* display, unsigned which, unsigned device) {
    using Real = XkbDescPtr (*)(Display*, unsigned, unsigned);
    static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "XkbGetMap"));
    return gFailKeymapRead ? nullptr : real(display, which, device);
}

namespace orvanel {
namespace {

using namespace x11test;
using Clock = std::chrono::steady_clock;

class X11Test : public DesktopTest {
protected:
    WindowHandle Find(const std::string& cp1252Title) {
        return desktop->FindWindowA(nullptr, cp1252Title.c_str());
    }
};

std::string PrintableAscii() {
    std::string text;
    for (char c = 0x20; c < 0x7F; ++c) {
        text += c;
    }
    return text;
}

// ---- no display ----

TEST(X11OpenTest, AnOpenThatFailsLeavesNothingBehind) {
    if (!HaveDisplay()) {
        GTEST_SKIP() << "no X display";
    }
    gFailKeymapRead = true;
    for (int i = 0; i < 20; ++i) { // more than the backends that may be open at once
        std::string error;
        EXPECT_FALSE(X11Desktop::Open(nullptr, error));
        EXPECT_NE(error.find("keyboard map"), std::string::npos) << error;
    }
    gFailKeymapRead = false;
    std::string error;
    EXPECT_TRUE(X11Desktop::Open(nullptr, error)) << error;
}

TEST(X11OpenTest, WithoutADisplayOpenSaysSoAndReturnsNull) {
    std::string error;
    EXPECT_EQ(X11Desktop::Open(":973", error), nullptr);
    EXPECT_NE(error.find(":973"), std::string::npos) << error;

    const char* saved = std::getenv("DISPLAY");
    const std::string keep = saved != nullptr ? saved : "";
    unsetenv("DISPLAY");
    error.clear();
    EXPECT_EQ(X11Desktop::Open(nullptr, error), nullptr);
    EXPECT_NE(error.find("DISPLAY"), std::string::npos) << error;
    if (saved != nullptr) {
        setenv("DISPLAY", keep.c_str(), 1);
    }
}

// ---- keyboard answers ----

TEST_F(X11Test, KeyAnswersAreThoseOfTheUsLayoutWhateverLayoutXHas) {
    LayoutScope german("de");
    ASSERT_TRUE(german.Ok());
    struct Case {
        char character;
        std::int16_t key;
    };
    const Case cases[] = {{'a', 0x41},  {'A', 0x141}, {'z', 0x5A},  {'y', 0x59},  {'@', 0x132},
                          {'2', 0x32},  {'-', 0xBD},  {'_', 0x1BD}, {'/', 0xBF},  {'?', 0x1BF},
                          {'~', 0x1C0}, {';', 0xBA},  {' ', 0x20},  {'"', 0x1DE}, {'|', 0x1DC}};
    for (const Case& c : cases) {
        EXPECT_EQ(desktop->VkKeyScanA(c.character), c.key) << c.character;
    }
    EXPECT_EQ(desktop->MapVirtualKeyA('A', kMapVkToVsc), 0x1Eu);
    EXPECT_EQ(desktop->MapVirtualKeyA(16, kMapVkToVsc), 0x2Au);
    EXPECT_EQ(desktop->MapVirtualKeyA(7, kMapVkToVsc), 0u);
    char oem[2] = {};
    desktop->CharToOemA("\xE9", oem);
    EXPECT_EQ(static_cast<unsigned char>(oem[0]), 0x82); // é in code page 437
    EXPECT_EQ(desktop->OemKeyScan('a'), 0x1Eu);
    EXPECT_EQ(desktop->OemKeyScan('A'), 0x1001Eu);
}

TEST_F(X11Test, CharactersTheUsLayoutLacksBorrowUnassignedVirtualKeys) {
    const std::int16_t eacute = desktop->VkKeyScanA('\xE9');
    const std::int16_t euro = desktop->VkKeyScanA('\x80');
    ASSERT_NE(eacute, -1);
    ASSERT_NE(euro, -1);
    EXPECT_EQ(eacute & 0xFF00, 0) << "no shift state";
    EXPECT_NE(eacute, euro);
    EXPECT_EQ(desktop->VkKeyScanA('\xE9'), eacute) << "the same character keeps its code";
    const std::uint8_t lent[] = {0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F, 0x97, 0x98, 0x99,
                                 0x9A, 0x9B, 0x9C, 0x9D, 0x9E, 0x9F, 0xD8, 0xD9, 0xDA, 0xE8};
    // Every non-US character of code page 1252 gets one of them, round and round.
    for (int c = 0x80; c <= 0xFF; ++c) {
        const std::int16_t key = desktop->VkKeyScanA(static_cast<char>(c));
        if (c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D) {
            EXPECT_EQ(key, -1) << "undefined in code page 1252: " << c;
            continue;
        }
        ASSERT_NE(key, -1) << c;
        EXPECT_NE(std::find(std::begin(lent), std::end(lent), key), std::end(lent)) << c;
        EXPECT_EQ(desktop->MapVirtualKeyA(static_cast<std::uint32_t>(key), kMapVkToVsc), 0u);
    }
}

// ---- finding windows ----

TEST_F(X11Test, FindWindowMatchesOnlyTheWholeTitleExactly) {
    auto target = TargetWindow::Start("Orvanel Exact Title");
    ASSERT_TRUE(target);
    EXPECT_EQ(Find("Orvanel Exact Title"), target->Window());
    for (const char* other : {"Orvanel Exact", "Exact Title", "rvanel Exact Titl",
                              "orvanel exact title", "ORVANEL EXACT TITLE", "Orvanel Exact Title ",
                              " Orvanel Exact Title", "No such window at all"}) {
        EXPECT_EQ(Find(other), kNoWindow) << other;
    }
}

TEST_F(X11Test, FindWindowFindsNonAsciiTitles) {
    const std::string netName = "Caf\xE9 \xDC"
                                "ber \x80 Notizen";              // _NET_WM_NAME
    const std::string latin1 = "Fen\xEAtre \xE0 c\xF4t\xE9";     // WM_NAME, STRING
    const std::string utf8WmName = "Men\xFC \x80 \x84Zitat\x93"; // WM_NAME, UTF8_STRING
    auto a = TargetWindow::Start(Utf8FromCp1252(netName));
    auto b = TargetWindow::Start(Utf8FromCp1252(latin1), {.wmNameOnly = true});
    auto c = TargetWindow::Start(Utf8FromCp1252(utf8WmName), {.wmNameOnly = true});
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(Find(netName), a->Window());
    EXPECT_EQ(Find(latin1), b->Window());
    EXPECT_EQ(Find(utf8WmName), c->Window());
    EXPECT_EQ(Find("Caf\xC9 \xDC"
                   "ber \x80 Notizen"),
              kNoWindow)
        << "É is not é";
}

TEST_F(X11Test, WindowCallsOnAWindowThatIsGoneFailQuietly) {
    const WindowHandle gone = 0x3FFFFF1;
    const auto start = Clock::now();
    EXPECT_FALSE(desktop->ShowWindow(gone, kShowNormal));
    EXPECT_FALSE(desktop->SetForegroundWindow(gone));
    EXPECT_EQ(desktop->SendMessageA(gone, kWmSetFocus, 0, 0), 0);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
}

// ---- activation without a window manager ----

TEST_F(X11Test, ActivationWithoutWindowManagerGivesTheWindowTheFocus) {
    ASSERT_FALSE(desktop->WindowManagerRunning());
    auto a = TargetWindow::Start("Orvanel Plain A");
    auto b = TargetWindow::Start("Orvanel Plain B");
    ASSERT_TRUE(a && b);
    EXPECT_TRUE(Activate(b->Window()));
    EXPECT_TRUE(Activate(a->Window()));
    TypeText(*desktop, "ok");
    EXPECT_EQ(a->WaitForOutput("ok"), "ok");
    EXPECT_EQ(b->Output(), "");
}

TEST_F(X11Test, AMinimisedWindowIsShownAndFocusedWithoutWindowManager) {
    auto target = TargetWindow::Start("Orvanel Plain Minimised", {.minimized = true});
    ASSERT_TRUE(target);
    ASSERT_FALSE(WindowViewable(target->Window()));
    EXPECT_EQ(Find("Orvanel Plain Minimised"), target->Window());
    EXPECT_TRUE(Activate(target->Window()));
    EXPECT_TRUE(WindowViewable(target->Window()));
}

TEST_F(X11Test, TheFocusWaitIsBoundedForAWindowThatNeverTakesIt) {
    // Unmapped, and no window manager to map it: it can never have the focus.
    auto target = TargetWindow::Start("Orvanel Never Focused", {.minimized = true});
    ASSERT_TRUE(target);
    const auto start = Clock::now();
    desktop->SendMessageA(target->Window(), kWmSetFocus, 0, 0);
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(1900));
    EXPECT_LE(waited, std::chrono::milliseconds(2500));
}

// ---- activation with a window manager ----

class X11WmTest : public X11Test {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        wm = WindowManager::Start(*desktop);
        ASSERT_TRUE(wm);
    }
    void TearDown() override {
        wm.reset();
        X11Test::TearDown();
    }
    std::unique_ptr<WindowManager> wm;
};

TEST_F(X11WmTest, FindWindowLooksAmongTheManagedClients) {
    auto target = TargetWindow::Start("Orvanel Managed");
    auto other = TargetWindow::Start("Orvanel Managed Too");
    ASSERT_TRUE(target && other);
    EXPECT_EQ(Find("Orvanel Managed"), target->Window());
    EXPECT_EQ(Find("Orvanel Managed Too"), other->Window());
    EXPECT_EQ(Find("Orvanel Manage"), kNoWindow);
    EXPECT_EQ(Find("orvanel managed"), kNoWindow);
}

TEST_F(X11WmTest, ActivationSwitchesTheFocusBetweenWindows) {
    auto a = TargetWindow::Start("Orvanel Wm A");
    auto b = TargetWindow::Start("Orvanel Wm B");
    ASSERT_TRUE(a && b);
    EXPECT_TRUE(Activate(a->Window()));
    EXPECT_TRUE(Activate(b->Window()));
    TypeText(*desktop, "Hi");
    EXPECT_EQ(b->WaitForOutput("Hi"), "Hi");
    EXPECT_EQ(a->Output(), "");
}

TEST_F(X11WmTest, AMinimisedWindowIsRestoredAndFocused) {
    auto other = TargetWindow::Start("Orvanel Wm Other");
    auto target = TargetWindow::Start("Orvanel Wm Minimised", {.minimized = true});
    ASSERT_TRUE(other && target);
    ASSERT_EQ(WmState(target->Window()), 3) << "iconic";
    EXPECT_TRUE(Activate(target->Window()));
    EXPECT_TRUE(WaitUntil([&] { return WmState(target->Window()) == 1; }, milliseconds(2000)));
    const auto states = NetWmState(target->Window());
    EXPECT_EQ(std::count(states.begin(), states.end(), "_NET_WM_STATE_HIDDEN"), 0);
    TypeText(*desktop, "Up");
    EXPECT_EQ(target->WaitForOutput("Up"), "Up");
}

TEST_F(X11WmTest, AMaximisedWindowIsRestoredToNormalSize) {
    auto target = TargetWindow::Start("Orvanel Wm Maximised", {.maximized = true});
    ASSERT_TRUE(target);
    auto maximised = [&] {
        const auto states = NetWmState(target->Window());
        return std::count(states.begin(), states.end(), "_NET_WM_STATE_MAXIMIZED_VERT") +
                   std::count(states.begin(), states.end(), "_NET_WM_STATE_MAXIMIZED_HORZ") >
               0;
    };
    ASSERT_TRUE(WaitUntil(maximised, milliseconds(5000)));
    EXPECT_TRUE(Activate(target->Window()));
    EXPECT_TRUE(WaitUntil([&] { return !maximised(); }, milliseconds(5000)));
}

// ---- programs ----

TEST_F(X11Test, ProgramsStartThroughTheShellRoad) {
    test::TempDir dir;
    const auto work = std::filesystem::canonical(dir.Path());
    test::WriteBytes(work / "app", "#!/bin/sh\npwd -P > cwd.tmp && mv cwd.tmp cwd.txt\n");
    chmod((work / "app").c_str(), 0755);
    EXPECT_GT(desktop->ShellExecuteA(kNoWindow, "open", "app", nullptr, work.c_str(), kShowNormal),
              32);
    ASSERT_TRUE(
        WaitUntil([&] { return std::filesystem::exists(work / "cwd.txt"); }, milliseconds(5000)));
    EXPECT_EQ(test::ReadBytes(work / "cwd.txt"), work.string() + "\n");
    EXPECT_LE(desktop->ShellExecuteA(kNoWindow, "open", "", nullptr, nullptr, kShowNormal), 32);
    EXPECT_LE(desktop->ShellExecuteA(kNoWindow, "print", "app", nullptr, work.c_str(), 1), 32);
}

// ---- typing ----

class X11TypingTest : public X11Test, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        layout = std::make_unique<LayoutScope>(GetParam());
        ASSERT_TRUE(layout->Ok()) << "setxkbmap " << GetParam();
        keymapBefore = KeymapSnapshot();
        target = TargetWindow::Start(std::string("Orvanel typing ") + GetParam());
        ASSERT_TRUE(target);
        ASSERT_TRUE(Activate(target->Window()));
    }
    void TearDown() override {
        if (desktop && !IsSkipped()) {
            desktop.reset(); // restores every spare keycode it bound
            EXPECT_EQ(PressedKeycodes(), std::vector<int>{});
            EXPECT_EQ(KeymapSnapshot(), keymapBefore) << "a spare keycode stayed bound";
        }
        target.reset();
        layout.reset();
    }

    // Sends `text` and checks that exactly `expected` arrives.
    void ExpectTyped(const std::string& cp1252, const std::string& expectedUtf8) {
        target->ClearOutput();
        TypeText(*desktop, cp1252);
        EXPECT_EQ(target->WaitForOutput(expectedUtf8), expectedUtf8);
        EXPECT_EQ(PressedKeycodes(), std::vector<int>{}) << "a key stayed down";
    }

    std::unique_ptr<LayoutScope> layout;
    std::unique_ptr<TargetWindow> target;
    std::vector<unsigned long> keymapBefore;
};

TEST_P(X11TypingTest, EveryPrintableAsciiCharacterArrivesVerbatim) {
    const std::string text = PrintableAscii();
    ExpectTyped(text, text);
    // Backwards as well, so that no character relies on the one before it.
    ExpectTyped(std::string(text.rbegin(), text.rend()), std::string(text.rbegin(), text.rend()));
}

TEST_P(X11TypingTest, CodePage1252LettersArriveVerbatim) {
    const std::string text = "\xE9\xFC\xDF\x80 \xC9\xDC\xE8\xE0\xE7\xF1\xF6\xE4 Gr\xFC\xDF"
                             "e \x80"
                             "5 caf\xE9";
    ExpectTyped(text, Utf8FromCp1252(text));
    // More distinct characters than there are lent codes (21) and spare
    // keycodes: each keycode keeps its character, so those that find none
    // free are reported, never dropped without a word.
    std::string all;
    for (int c = 0xC0; c <= 0xFF; ++c) {
        all += static_cast<char>(c);
    }
    target->ClearOutput();
    ::testing::internal::CaptureStderr();
    TypeText(*desktop, all);
    const std::string errors = ::testing::internal::GetCapturedStderr();
    std::string expected;
    for (char c : all) {
        char code[16];
        std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned char>(c));
        if (errors.find(code) == std::string::npos) {
            expected += Utf8FromCp1252(std::string(1, c));
        }
    }
    EXPECT_GE(expected.size(), 2 * 8u) << errors;
    EXPECT_EQ(target->WaitForOutput(expected), expected);
}

TEST_P(X11TypingTest, ShiftHeldByTheScriptGivesTheShiftedCharacter) {
    // +(ab1é): SHIFT held around keys typed without their own SHIFT.
    target->ClearOutput();
    desktop->keybd_event(16, 0x2A, kKeyEventKeyDown, 0);
    for (char c : std::string("ab1\xE9[")) {
        TapKey(*desktop, static_cast<std::uint8_t>(desktop->VkKeyScanA(c) & 0xFF));
    }
    desktop->keybd_event(16, 0x2A, kKeyEventKeyUp, 0);
    TapKey(*desktop, 'C');
    const std::string expected = "AB!\xC3\x89{c";
    EXPECT_EQ(target->WaitForOutput(expected), expected);
}

TEST_P(X11TypingTest, NamedKeysAndModifiersArriveAsKeys) {
    target->ClearOutput();
    for (std::uint8_t vk : {9, 13, 8, 37, 36, 116, 96, 27, 46, 135, 42, 7, 10}) {
        TapKey(*desktop, vk); // 7 and 10 have no key: nothing arrives
    }
    desktop->keybd_event(17, 0x1D, kKeyEventKeyDown, 0);
    TapKey(*desktop, 'A');
    desktop->keybd_event(17, 0x1D, kKeyEventKeyUp, 0);
    desktop->keybd_event(18, 0x38, kKeyEventKeyDown, 0);
    TapKey(*desktop, 'F');
    desktop->keybd_event(18, 0x38, kKeyEventKeyUp, 0);
    desktop->keybd_event(16, 0x2A, kKeyEventKeyDown, 0);
    TapKey(*desktop, 9);
    desktop->keybd_event(16, 0x2A, kKeyEventKeyUp, 0);
    TypeText(*desktop, "x");
    const std::string expected = "<Tab><Return><BackSpace><Left><Home><F5><KP_0><Escape><Delete>"
                                 "<F24><Ctrl+a><Alt+f><Shift+Tab>x";
    EXPECT_EQ(target->WaitForOutput(expected), expected);
    EXPECT_EQ(PressedKeycodes(), std::vector<int>{});
}

TEST_P(X11TypingTest, CapsLockActsAsOnWindows) {
    target->ClearOutput();
    TapKey(*desktop, 20);
    TypeText(*desktop, "\xE9xaB1");
    TapKey(*desktop, 20);
    TypeText(*desktop, "\xE9xaB1");
    const std::string expected = Utf8FromCp1252("\xC9XAb1\xE9xaB1");
    EXPECT_EQ(target->WaitForOutput(expected), expected);
}

INSTANTIATE_TEST_SUITE_P(Layouts, X11TypingTest, ::testing::Values("us", "de"),
                         [](const auto& info) { return std::string(info.param); });

// ---- no stuck keys ----

class X11ReleaseTest : public ::testing::TestWithParam<const char*> {};

TEST_P(X11ReleaseTest, KeysAndSpareKeycodesAreReleasedHoweverTheProgramEnds) {
    if (!HaveDisplay()) {
        GTEST_SKIP() << "no X display";
    }
    const std::string how = GetParam();
    test::TempDir dir;
    const std::string ready = (dir / "ready").string();
    const auto before = KeymapSnapshot();
    const std::string mode = how.rfind("SIG", 0) == 0 ? "signal" : how;
    auto child = Child::Spawn({HoldKeysPath(), mode, ready});
    ASSERT_TRUE(child);
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(ready); }, milliseconds(5000)));
    EXPECT_EQ(test::ReadBytes(ready).rfind("ready 1\nguard ", 0), 0u);
    EXPECT_GE(PressedKeycodes().size(), 3u);
    EXPECT_NE(KeymapSnapshot(), before);

    const int sig = how == "SIGINT"    ? SIGINT
                    : how == "SIGTERM" ? SIGTERM
                    : how == "SIGHUP"  ? SIGHUP
                    : how == "SIGQUIT" ? SIGQUIT
                                       : 0;
    if (sig != 0) {
        child->Signal(sig);
    }
    const int status = child->Wait(milliseconds(5000));
    ASSERT_NE(status, -1);
    if (sig != 0) {
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << "ends by the signal";
    } else {
        EXPECT_TRUE(WIFEXITED(status)) << status;
        EXPECT_EQ(WEXITSTATUS(status), how == "exit" ? 3 : 0);
    }
    EXPECT_TRUE(WaitUntil([] { return PressedKeycodes().empty(); }, milliseconds(2000)));
    EXPECT_EQ(PressedKeycodes(), std::vector<int>{});
    EXPECT_EQ(KeymapSnapshot(), before);
}

INSTANTIATE_TEST_SUITE_P(Ends, X11ReleaseTest,
                         ::testing::Values("SIGTERM", "SIGINT", "SIGHUP", "SIGQUIT", "exit",
                                           "return"),
                         [](const auto& info) { return std::string(info.param); });

} // namespace
} // namespace orvanel
