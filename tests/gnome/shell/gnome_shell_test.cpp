// The GNOME backend on a private headless GNOME Shell with Orvanel's
// extension (run_with_gnome.sh), with wltarget as the witness of what
// arrives. The session's own layout is a Russian one (no Latin letters at
// all), so the text comes right only on the layout Orvanel lends.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "desktop/gnome/gnomedesktop.h"
#include "keys/keyoutput.h"
#include "scheduler/runner.h"
#include "support/tempdir.h"
#include "wayland/wltargetwindow.h"
#include "x11testing.h"

namespace orvanel {
namespace {

using std::chrono::milliseconds;
using x11test::Child;
using x11test::WaitUntil;

using wltest::Read;
using wltest::Target;

std::unique_ptr<GnomeDesktop> Open() {
    std::string error;
    GnomeDesktop::Failure failure{};
    auto desktop = GnomeDesktop::Open(error, failure);
    EXPECT_TRUE(desktop) << error;
    return desktop;
}

// One backend for the whole program: its keyboard stays on the seat, as the
// user's own keyboard does on a real desktop.
GnomeDesktop* gDesktop = nullptr;

struct Session : ::testing::Environment {
    void SetUp() override {
        desktop = Open();
        gDesktop = desktop.get();
    }
    void TearDown() override { desktop.reset(); }
    std::unique_ptr<GnomeDesktop> desktop;
};
const auto* const gSession = ::testing::AddGlobalTestEnvironment(new Session);

// Opens or closes the shell's overview; 0 when the shell took the call.
int Overview(bool on) {
    return std::system((std::string("gdbus call --session --dest org.gnome.Shell "
                                    "--object-path /org/gnome/Shell --method "
                                    "org.freedesktop.DBus.Properties.Set org.gnome.Shell "
                                    "OverviewActive '<") +
                        (on ? "true" : "false") + ">' >/dev/null")
                           .c_str());
}

// Brings the window of `title` to the front as a task does.
WindowHandle Focus(GnomeDesktop& desktop, const char* title) {
    WindowHandle w = kNoWindow;
    WaitUntil([&] { return (w = desktop.FindWindowA(nullptr, title)) != kNoWindow; },
              milliseconds(3000));
    EXPECT_NE(w, kNoWindow) << title;
    desktop.ShowWindow(w, kShowNormal);
    desktop.SetForegroundWindow(w);
    desktop.SendMessageA(w, kWmSetFocus, 0, 0);
    return w;
}

TEST(GnomeTypingTest, EveryCharacterArrivesExactlyEvenWhenReadLate) {
    test::TempDir dir;
    std::string cp1252;
    for (char c = 0x20; c < 0x7F; ++c) {
        cp1252 += c;
    }
    cp1252 += "\xE9\xFC\xDF\x80\xC4";
    const std::string expected = x11test::Utf8FromCp1252(cp1252);
    for (const bool stopped : {false, true}) {
        SCOPED_TRACE(stopped ? "target stopped for 3 s" : "target running");
        const std::string title = stopped ? "Orvanel stopped" : "Orvanel running";
        Target target(dir, title);
        const WindowHandle w = Focus(*gDesktop, title.c_str());
        EXPECT_EQ(gDesktop->FocusIsWith(w), FocusState::WithWindow);
        if (stopped) {
            target.process->Signal(SIGSTOP);
        }
        x11test::TypeText(*gDesktop, cp1252);
        if (stopped) {
            std::this_thread::sleep_for(std::chrono::seconds(3));
            target.process->Signal(SIGCONT);
        }
        EXPECT_EQ(target.WaitFor(expected), expected);
    }
}

// At login the shell shows the overview, and it holds the keyboard: a
// window activated then must have the keyboard once the overview has gone.
TEST(GnomeWindowsTest, AWindowActivatedFromTheOverviewGetsTheKeys) {
    test::TempDir dir;
    Target target(dir, "Orvanel from overview");
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(Overview(true), 0);
        ASSERT_TRUE(WaitUntil([] { return gDesktop->InputBlocked() == InputBlock::KeyboardHeld; },
                              milliseconds(3000)));
        const WindowHandle w = Focus(*gDesktop, "Orvanel from overview");
        ASSERT_EQ(gDesktop->FocusIsWith(w), FocusState::WithWindow);
        x11test::TypeText(*gDesktop, "ok");
        EXPECT_EQ(target.WaitFor("ok"), "ok");
        std::filesystem::remove(target.out);
    }
}

TEST(GnomeWindowsTest, OnlyTheExactTitleMatches) {
    test::TempDir dir;
    Target target(dir, "Orvanel Exact Title");
    EXPECT_NE(gDesktop->FindWindowA(nullptr, "Orvanel Exact Title"), kNoWindow);
    for (const char* title :
         {"Orvanel Exact", "orvanel exact title", "Orvanel Exact Title ", "Absent"}) {
        EXPECT_EQ(gDesktop->FindWindowA(nullptr, title), kNoWindow) << title;
    }
}

TEST(GnomeWindowsTest, AMinimisedWindowIsRestoredActivatedAndTypedInto) {
    test::TempDir dir;
    Target other(dir, "Orvanel other");
    Target minimised(dir, "Orvanel minimised", {"--minimized", "yes"});
    const WindowHandle o = Focus(*gDesktop, "Orvanel other");
    const WindowHandle w = Focus(*gDesktop, "Orvanel minimised");
    EXPECT_EQ(gDesktop->GetForegroundWindow(), w);
    EXPECT_EQ(gDesktop->FocusIsWith(w), FocusState::WithWindow);
    EXPECT_EQ(gDesktop->FocusIsWith(o), FocusState::Elsewhere);
    EXPECT_EQ(gDesktop->InputBlocked(), InputBlock::Clear);
    x11test::TypeText(*gDesktop, "ok");
    EXPECT_EQ(minimised.WaitFor("ok"), "ok");
    EXPECT_EQ(Read(other.out), "");
}

TEST(GnomeReleaseTest, NoKeyStaysDownWhenTheProgramIsKilled) {
    test::TempDir dir;
    Target target(dir, "Orvanel guard");
    Focus(*gDesktop, "Orvanel guard");
    for (const char* script : {"+({SLEEP 5}abc)", "^({SLEEP 5}abc)", "%({SLEEP 5}abc)"}) {
        SCOPED_TRACE(script);
        auto child = Child::Spawn({ORVANEL_SCRIPT_TOOL, "--type", "--countdown", "0", script});
        ASSERT_TRUE(child);
        ASSERT_TRUE(
            WaitUntil([&] { return Read(target.held).rfind("1 ", 0) == 0; }, milliseconds(5000)))
            << Read(target.held);
        child->Signal(SIGKILL);
        child->Wait(milliseconds(5000));
        EXPECT_TRUE(WaitUntil([&] { return Read(target.held) == "0 0"; }, milliseconds(1000)))
            << "keys and modifiers down: " << Read(target.held);
    }
    EXPECT_EQ(Read(target.out), "");
}

// Another program's window takes the focus during a {SLEEP}: the keys after
// it arrive nowhere, the script's shift goes up, and the run is skipped.
TEST(GnomeSafetyTest, KeysAfterTheFocusLeftTheTasksWindowArriveNowhere) {
    test::TempDir dir;
    Target task(dir, "Orvanel task");
    Target intruder(dir, "Orvanel intruder");
    auto other = Open();
    // The shell gives a new window the focus when it first shows it, which
    // may be well after the window is up: the intruder, made last, must have
    // had it before the task runs, or it would take it before the first key.
    WindowHandle i = kNoWindow;
    ASSERT_TRUE(WaitUntil(
        [&] {
            i = other->FindWindowA(nullptr, "Orvanel intruder");
            return i != kNoWindow && other->GetForegroundWindow() == i;
        },
        milliseconds(5000)))
        << "the intruder never had the focus";
    std::thread thief([&] {
        WaitUntil([&] { return Read(task.out) == "AB"; }, milliseconds(5000));
        other->SetForegroundWindow(i);
        other->SendMessageA(i, kWmSetFocus, 0, 0);
    });
    KeyOutput keys(*gDesktop);
    const TaskRun run =
        RunTask(keys, ParseTaskLine("x|Orvanel task|0|0|+(ab{SLEEP 1}cd);ef"), "0", kNoWindow);
    thief.join();
    EXPECT_EQ(SkipText(run), "focus moved to another window during step 1");
    EXPECT_EQ(other->GetForegroundWindow(), i);
    EXPECT_EQ(Read(task.out), "AB");
    EXPECT_EQ(Read(intruder.out), "");
    EXPECT_TRUE(WaitUntil([&] { return Read(intruder.held) == "0 0"; }, milliseconds(1000)))
        << "keys and modifiers down: " << Read(intruder.held);
}

// Sets the session's input sources; 0 when gsettings took it.
int Sources(const char* sources) {
    return std::system(
        (std::string("gsettings set org.gnome.desktop.input-sources sources \"") + sources + '"')
            .c_str());
}

// The shell changes the keymap while a task types on the lent one (as when
// it applies the user's layouts late at start-up): nothing after the change
// is typed on the user's Russian layout, and the run is skipped.
TEST(GnomeSafetyTest, KeysAfterTheKeymapChangedUnderTheTaskArriveNowhere) {
    test::TempDir dir;
    Target task(dir, "Orvanel layout");
    Focus(*gDesktop, "Orvanel layout");
    std::thread changer([&] {
        WaitUntil([&] { return Read(task.out) == "AB"; }, milliseconds(5000));
        EXPECT_EQ(Sources("[('xkb', 'ru'), ('xkb', 'us')]"), 0);
    });
    KeyOutput keys(*gDesktop);
    const TaskRun run =
        RunTask(keys, ParseTaskLine("x|Orvanel layout|0|0|+(ab{SLEEP 1}cd);ef"), "0", kNoWindow);
    changer.join();
    EXPECT_EQ(Sources("[('xkb', 'ru')]"), 0);
    EXPECT_EQ(SkipText(run), "focus moved to another window during step 1");
    EXPECT_EQ(Read(task.out), "AB");
    EXPECT_TRUE(WaitUntil([&] { return Read(task.held) == "0 0"; }, milliseconds(1000)))
        << "keys and modifiers down: " << Read(task.held);
}

TEST(GnomeSafetyTest, TheStopKeyIsHeardAndTheOverviewHoldsTheKeyboard) {
    test::TempDir dir;
    Target target(dir, "Orvanel stop");
    Focus(*gDesktop, "Orvanel stop");
    ASSERT_TRUE(gDesktop->StartStopKeyWatch());
    EXPECT_FALSE(gDesktop->StopKeyPressed());
    auto typist = Open();
    for (const std::uint8_t vk : {0x11, 0x12, 0x10, 0x53}) {
        typist->keybd_event(vk, 0, kKeyEventKeyDown, 0);
    }
    for (const std::uint8_t vk : {0x53, 0x10, 0x12, 0x11}) {
        typist->keybd_event(vk, 0, kKeyEventKeyUp, 0);
    }
    EXPECT_TRUE(WaitUntil([] { return gDesktop->StopKeyPressed(); }, milliseconds(2000)));
    gDesktop->EndStopKeyWatch();

    // The overview takes the keys (the lock screen, which would say
    // "locked", needs a display manager that a headless shell lacks).
    ASSERT_EQ(Overview(true), 0);
    EXPECT_TRUE(WaitUntil([] { return gDesktop->InputBlocked() == InputBlock::KeyboardHeld; },
                          milliseconds(3000)));
    Overview(false);
    EXPECT_TRUE(WaitUntil([] { return gDesktop->InputBlocked() == InputBlock::Clear; },
                          milliseconds(3000)));
}

} // namespace
} // namespace orvanel
