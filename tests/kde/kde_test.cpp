// The KDE Plasma backend on a private headless KWin (run_with_kwin.sh), with
// wltarget as the witness of what arrives. KWin has two layouts, US and
// German; the tests switch between them as a user does.
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "desktop/dbus/bus.h"
#include "desktop/kde/kdedesktop.h"
#include "desktop/untypedtext.h"
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

// One backend for the whole program: every new connection costs KWin a check
// of this program's file.
class KdeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        std::string notice;
        KdeDesktop::Failure failure{};
        desktop_ = KdeDesktop::Open(error, failure, notice).release();
        ASSERT_NE(desktop_, nullptr) << error;
        EXPECT_EQ(notice, "");
        bus_ = dbus::Bus::OpenSession(error).release();
        ASSERT_NE(bus_, nullptr) << error;
    }
    static void TearDownTestSuite() {
        delete desktop_;
        delete bus_;
    }
    void SetUp() override {
        ASSERT_NE(desktop_, nullptr);
        desktop_->TakeUntypedCharacters();
    }
    // Switches KWin to the layout of `index` (0 US, 1 German), as the
    // keyboard layout applet does.
    static void UseLayout(std::uint32_t index) {
        std::string error;
        EXPECT_TRUE(bus_->CallMethod("org.kde.keyboard", "/Layouts", "org.kde.KeyboardLayouts",
                                     "setLayout", milliseconds(2000), error, "u", index))
            << error;
    }
    // Brings the window of `title` to the front as a task does.
    static WindowHandle Focus(const std::string& title) {
        const WindowHandle w = desktop_->FindWindowA(nullptr, title.c_str());
        EXPECT_NE(w, kNoWindow) << title;
        desktop_->ShowWindow(w, kShowNormal);
        desktop_->SetForegroundWindow(w);
        desktop_->SendMessageA(w, kWmSetFocus, 0, 0);
        return w;
    }
    static KdeDesktop* desktop_;
    static dbus::Bus* bus_;
    test::TempDir dir_;
};

KdeDesktop* KdeTest::desktop_ = nullptr;
dbus::Bus* KdeTest::bus_ = nullptr;

std::string PrintableAscii() {
    std::string text;
    for (char c = 0x20; c < 0x7F; ++c) {
        text += c;
    }
    return text;
}

TEST_F(KdeTest, TextArrivesAsTheLayoutTypesItAndTheRestIsNamed) {
    const std::string ascii = PrintableAscii();
    struct Case {
        const char* name;
        std::uint32_t layout;
        bool readLate;       // the window is stopped while the keys are sent
        const char* arrives; // code page 1252
        const char* untyped;
    };
    // The German layout reaches ^ ` and \xE9 only through a dead key: not a
    // key and level of their own, so they are not typed.
    const std::string german = ascii.substr(0, 0x5E - 0x20) + "_" + ascii.substr(0x61 - 0x20);
    const Case cases[] = {
        {"us", 0, false, "", "5 characters not in the keyboard layout: \xE9 \xFC \xDF \x80 \xC4"},
        {"de", 1, false, "\xFC\xDF\x80\xC4", "3 characters not in the keyboard layout: ^ ` \xE9"},
        {"de read late", 1, true, "\xFC\xDF\x80\xC4",
         "3 characters not in the keyboard layout: ^ ` \xE9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Target target(dir_, std::string("KDE typing ") + c.name);
        UseLayout(c.layout);
        Focus(std::string("KDE typing ") + c.name);
        if (c.readLate) {
            target.process->Signal(SIGSTOP);
        }
        x11test::TypeText(*desktop_, ascii + "\xE9\xFC\xDF\x80\xC4");
        if (c.readLate) {
            std::this_thread::sleep_for(milliseconds(1000));
            target.process->Signal(SIGCONT);
        }
        const std::string expected =
            x11test::Utf8FromCp1252((c.layout == 0 ? ascii : german) + c.arrives);
        EXPECT_EQ(target.WaitFor(expected), expected);
        EXPECT_EQ(UntypedText(desktop_->TakeUntypedCharacters()), c.untyped);
        EXPECT_TRUE(WaitUntil([&] { return Read(target.held) == "0 0"; }, milliseconds(1000)))
            << "keys and modifiers down: " << Read(target.held);
    }
    UseLayout(0);
}

TEST_F(KdeTest, WindowsAreFoundByTheirExactTitleRestoredAndWatched) {
    Target exact(dir_, "KDE Exact Title");
    EXPECT_NE(desktop_->FindWindowA(nullptr, "KDE Exact Title"), kNoWindow);
    for (const char* title : {"KDE Exact", "kde exact title", "KDE Exact Title ", "Absent"}) {
        EXPECT_EQ(desktop_->FindWindowA(nullptr, title), kNoWindow) << title;
    }

    Target task(dir_, "KDE minimised",
                {"--minimized", "yes", "--dialog", "KDE dialog", "--sibling", "KDE sibling"});
    const WindowHandle w = Focus("KDE minimised");
    EXPECT_EQ(desktop_->GetForegroundWindow(), w);
    x11test::TypeText(*desktop_, "ok");
    EXPECT_EQ(task.WaitFor("ok"), "ok");
    EXPECT_EQ(Read(exact.out), "");
    // Only the task's window and its dialogs count, not another window of
    // the same program.
    struct Case {
        const char* active;
        FocusState expected;
    };
    for (const Case& c :
         {Case{"KDE minimised", FocusState::WithWindow}, Case{"KDE dialog", FocusState::WithWindow},
          Case{"KDE sibling", FocusState::Elsewhere},
          Case{"KDE Exact Title", FocusState::Elsewhere}}) {
        Focus(c.active);
        EXPECT_EQ(desktop_->FocusIsWith(w), c.expected) << c.active;
    }
}

TEST_F(KdeTest, TheStopKeyIsHeardWhileWatched) {
    Target target(dir_, "KDE stop");
    Focus("KDE stop");
    EXPECT_EQ(desktop_->InputBlocked(), InputBlock::Clear);
    ASSERT_TRUE(desktop_->StartStopKeyWatch());
    EXPECT_FALSE(desktop_->StopKeyPressed());
    for (const std::uint8_t vk : {0x11, 0x12, 0x10}) { // Ctrl, Alt, Shift down
        desktop_->keybd_event(vk, 0, kKeyEventKeyDown, 0);
    }
    x11test::TapKey(*desktop_, kStopKeyVirtualKey);
    for (const std::uint8_t vk : {0x10, 0x12, 0x11}) {
        desktop_->keybd_event(vk, 0, kKeyEventKeyUp, 0);
    }
    EXPECT_TRUE(WaitUntil([&] { return desktop_->StopKeyPressed(); }, milliseconds(2000)));
    desktop_->EndStopKeyWatch();
    EXPECT_EQ(Read(target.out), ""); // KWin kept the combination from the window
}

TEST_F(KdeTest, NoKeyStaysDownWhenTheProgramIsKilled) {
    Target target(dir_, "KDE guard");
    Focus("KDE guard");
    auto child =
        Child::Spawn({ORVANEL_SCRIPT_TOOL, "--type", "--countdown", "0", "+({SLEEP 5}abc)"});
    ASSERT_TRUE(child);
    ASSERT_TRUE(
        WaitUntil([&] { return Read(target.held).rfind("1 ", 0) == 0; }, milliseconds(8000)))
        << Read(target.held);
    child->Signal(SIGKILL);
    child->Wait(milliseconds(5000));
    EXPECT_TRUE(WaitUntil([&] { return Read(target.held) == "0 0"; }, milliseconds(1500)))
        << "keys and modifiers down: " << Read(target.held);
    x11test::TypeText(*desktop_, "x");
    EXPECT_EQ(target.WaitFor("x"), "x");
}

} // namespace
} // namespace orvanel
