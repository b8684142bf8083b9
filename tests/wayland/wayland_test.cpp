// The Wayland backend on a private headless sway (run_with_sway.sh), with
// wltarget as the witness of what arrives. ORVANEL_TEST_LAYOUT names the
// compositor's own layout (us, de): the text must not depend on it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "desktop/wayland/waylanddesktop.h"
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

std::unique_ptr<WaylandDesktop> OpenDesktop() {
    std::string error;
    WaylandDesktop::Failure failure{};
    auto desktop = WaylandDesktop::Open(error, failure);
    EXPECT_TRUE(desktop) << error;
    return desktop;
}

// Brings the window of `title` to the front as a task does.
WindowHandle Focus(WaylandDesktop& desktop, const char* title) {
    const WindowHandle w = desktop.FindWindowA(nullptr, title);
    EXPECT_NE(w, kNoWindow) << title;
    desktop.ShowWindow(w, kShowNormal);
    desktop.SetForegroundWindow(w);
    desktop.SendMessageA(w, kWmSetFocus, 0, 0);
    return w;
}

std::string PrintableAscii() {
    std::string text;
    for (char c = 0x20; c < 0x7F; ++c) {
        text += c;
    }
    return text;
}

TEST(WaylandTypingTest, EveryCharacterArrivesExactlyEvenWhenReadLate) {
    test::TempDir dir;
    const std::string cp1252 = PrintableAscii() + "\xE9\xFC\xDF\x80\xC4";
    const std::string expected = x11test::Utf8FromCp1252(cp1252);
    for (const bool stopped : {false, true}) {
        SCOPED_TRACE(stopped ? "target stopped for 3 s" : "target running");
        const std::string title = stopped ? "Orvanel stopped" : "Orvanel running";
        Target target(dir, title);
        auto desktop = OpenDesktop();
        ASSERT_TRUE(desktop);
        Focus(*desktop, title.c_str());
        if (stopped) {
            target.process->Signal(SIGSTOP);
        }
        x11test::TypeText(*desktop, cp1252);
        if (stopped) {
            std::this_thread::sleep_for(std::chrono::seconds(3));
            target.process->Signal(SIGCONT);
        }
        EXPECT_EQ(target.WaitFor(expected), expected);
    }
}

TEST(WaylandWindowsTest, OnlyTheExactTitleMatches) {
    test::TempDir dir;
    Target target(dir, "Orvanel Exact Title");
    auto desktop = OpenDesktop();
    ASSERT_TRUE(desktop);
    EXPECT_NE(desktop->FindWindowA(nullptr, "Orvanel Exact Title"), kNoWindow);
    for (const char* title :
         {"Orvanel Exact", "orvanel exact title", "Orvanel Exact Title ", "Absent"}) {
        EXPECT_EQ(desktop->FindWindowA(nullptr, title), kNoWindow) << title;
    }
}

// sway has no minimised state; its scratchpad, which hides a window until it
// is asked for, stands for it.
TEST(WaylandWindowsTest, AHiddenWindowIsShownActivatedAndTypedInto) {
    test::TempDir dir;
    Target hidden(dir, "Orvanel hidden");
    ASSERT_EQ(std::system("swaymsg -q '[title=\"Orvanel hidden\"] move scratchpad'"), 0);
    Target other(dir, "Orvanel other");
    auto desktop = OpenDesktop();
    ASSERT_TRUE(desktop);
    const WindowHandle w = Focus(*desktop, "Orvanel hidden");
    EXPECT_TRUE(desktop->IsActive(w));
    EXPECT_EQ(desktop->GetForegroundWindow(), w);
    EXPECT_EQ(desktop->FocusIsWith(w), FocusState::WithWindow);
    x11test::TypeText(*desktop, "ok");
    EXPECT_EQ(hidden.WaitFor("ok"), "ok");
    EXPECT_EQ(Read(other.out), "");
}

// Another window of the same application is not the task's window, and a
// session that logind says is locked (a stand-in for loginctl here) is a
// locked screen.
TEST(WaylandSafetyTest, AWindowOfTheSameAppIsElsewhereAndALockedSessionIsSeen) {
    test::TempDir dir;
    Target task(dir, "Orvanel task window");
    Target sibling(dir, "Orvanel other document");
    auto desktop = OpenDesktop();
    ASSERT_TRUE(desktop);
    const WindowHandle w = Focus(*desktop, "Orvanel task window");
    EXPECT_EQ(desktop->FocusIsWith(w), FocusState::WithWindow);
    Focus(*desktop, "Orvanel other document");
    EXPECT_EQ(desktop->FocusIsWith(w), FocusState::Elsewhere);

    const auto loginctl = dir / "loginctl";
    test::WriteBytes(loginctl, "#!/bin/sh\necho yes\n");
    std::filesystem::permissions(loginctl, std::filesystem::perms::owner_all);
    posix::LockedHintQuery query;
    query.program = loginctl.string();
    query.logindMark = dir.Path().string();
    desktop->SetSessionLockQuery(query);
    EXPECT_EQ(desktop->InputBlocked(), InputBlock::ScreenLocked);
    query.logindMark = (dir / "no logind").string();
    desktop->SetSessionLockQuery(query);
    EXPECT_EQ(desktop->InputBlocked(), InputBlock::Clear);
}

TEST(WaylandReleaseGuardTest, NoKeyStaysDownWhenTheProgramIsKilled) {
    test::TempDir dir;
    Target target(dir, "Orvanel guard");
    // A keyboard of the user's stays on the seat, as on a real desktop (with
    // none, the seat drops its focus when the program's keyboard goes).
    auto usersKeyboard = OpenDesktop();
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
}

} // namespace
} // namespace orvanel
