// Unattended safety end to end: RunTask on a real X server (run_with_xvfb.sh
// gives each run its own Xvfb, and each test its own openbox), typing through
// the X11 backend into targetwin. Nothing may be typed while another program
// holds the keyboard, into a window that did not take the focus, into a
// window that took the focus away during the run (another program's, or
// another window of the task's own program), after another program grabbed
// the keyboard during the run, or after the stop key; and no key may be left
// down.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

#include "desktop/posix/lockedhint.h"
#include "history/runline.h"
#include "schedule/task.h"
#include "scheduler/runner.h"
#include "x11testing.h"

// After the runner's header: X defines None, a name of SkipReason.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace orvanel {
namespace {

using namespace x11test;
using Clock = std::chrono::steady_clock;

class SafetyE2eTest : public DesktopTest {
protected:
    void SetUp() override {
        DesktopTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        posix::LockedHintQuery noLogind;
        noLogind.logindMark = "/nonexistent";
        desktop->SetSessionLockQuery(noLogind);
        wm = WindowManager::Start(*desktop);
        ASSERT_TRUE(wm);
        keys = std::make_unique<KeyOutput>(*desktop);
    }
    void TearDown() override {
        keys.reset();
        wm.reset(); // it asks the desktop whether it has gone
        if (desktop) {
            desktop.reset();
            EXPECT_EQ(PressedKeycodes(), std::vector<int>{}) << "a key stayed down";
        }
    }

    TaskRun Run(const std::string& line, const std::string& delay = "0") {
        return RunTask(*keys, ParseTaskLine(line), delay, kNoWindow);
    }

    std::unique_ptr<WindowManager> wm;
    std::unique_ptr<KeyOutput> keys;
};

TEST_F(SafetyE2eTest, AHeldKeyboardSkipsAScriptButStillStartsAProgramWithoutOne) {
    auto target = TargetWindow::Start("Orvanel safety held");
    ASSERT_TRUE(target);
    ASSERT_TRUE(Activate(target->Window()));
    auto grab = KeyboardGrab::Start();
    ASSERT_TRUE(grab);
    const TaskRun typed = Run("|Orvanel safety held|0|0|abc");
    EXPECT_EQ(typed.skipped, SkipReason::KeyboardHeld);
    EXPECT_EQ(typed.keyEvents, 0U);

    test::TempDir dir;
    const auto program = dir / "start.sh";
    test::WriteBytes(program, "#!/bin/sh\ntouch \"" + (dir / "started").string() + "\"\n");
    chmod(program.c_str(), 0755);
    const TaskRun started = Run(program.string() + "|Orvanel no such window|0|0|");
    EXPECT_EQ(SkipText(started), "");
    EXPECT_TRUE(started.programStarted);
    EXPECT_TRUE(
        WaitUntil([&] { return std::filesystem::exists(dir / "started"); }, milliseconds(3000)));
    grab.reset();
    EXPECT_EQ(target->Output(), "");
}

TEST_F(SafetyE2eTest, AWindowThatDoesNotTakeTheFocusGetsNoKeys) {
    auto other = TargetWindow::Start("Orvanel safety bystander");
    auto refusing = TargetWindow::Start("Orvanel safety refusing", {.noFocus = true});
    ASSERT_TRUE(other && refusing);
    ASSERT_TRUE(Activate(other->Window()));
    const TaskRun result = Run("|Orvanel safety refusing|0|0|abc");
    EXPECT_EQ(result.skipped, SkipReason::WindowNotFocused);
    EXPECT_EQ(result.keyEvents, 0U);
    TypeText(*desktop, "z"); // a key typed now arrives after any stray ones
    EXPECT_EQ(other->WaitForOutput("z"), "z");
    EXPECT_EQ(refusing->Output(), "");
}

TEST_F(SafetyE2eTest, AWindowThatTakesTheFocusDuringTheRunGetsNoLaterStep) {
    auto target = TargetWindow::Start("Orvanel safety target");
    auto thief = TargetWindow::Start("Orvanel safety thief");
    ASSERT_TRUE(target && thief);
    ASSERT_TRUE(Activate(target->Window()));
    // Takes the focus once step 1 has arrived, within the script delay.
    std::thread steal([&] {
        std::string error;
        auto other = X11Desktop::Open(nullptr, error);
        if (other && WaitUntil([&] { return !target->Output().empty(); }, milliseconds(5000))) {
            other->SetForegroundWindow(thief->Window());
            WaitUntil([&] { return other->FocusWindow() == thief->Window(); }, milliseconds(2000));
        }
    });
    const TaskRun result = Run("|Orvanel safety target|0|0|a;b;c", "1500");
    steal.join();
    EXPECT_EQ(SkipText(result), "focus moved to another window after step 1");
    EXPECT_EQ(target->Output(), "a");
    EXPECT_EQ(thief->Output(), "");
}

// During a {SLEEP} of a step, about 0.5 s in, the focus goes to another
// program's window or to another window of the task's own program, or a
// locker stand-in grabs the keyboard: the next key finds out, and the window
// that took the keys over gets none.
TEST_F(SafetyE2eTest, WhatTakesTheKeyboardDuringASleepGetsNoKey) {
    enum class Thief { OtherProgram, Sibling, Locker };
    struct Case {
        const char* name;
        Thief thief;
        const char* script;
        const char* skipped;
    };
    const Case cases[] = {
        {"another program", Thief::OtherProgram, "a{SLEEP 1}bc",
         "focus moved to another window during step 1"},
        {"a sibling window", Thief::Sibling, "a{SLEEP 1}bc",
         "focus moved to another window during step 1"},
        {"a locker", Thief::Locker, "a;{SLEEP 1}pw~",
         "keyboard held by another program during step 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto target = TargetWindow::Start("Orvanel safety task",
                                          {.sibling = "Orvanel safety other document"});
        auto bank = TargetWindow::Start("Bank - Browser");
        ASSERT_TRUE(target && bank);
        ASSERT_TRUE(Activate(target->Window()));
        std::unique_ptr<KeyboardGrab> locker;
        std::thread thief([&] {
            if (!WaitUntil([&] { return target->Output() == "a"; }, milliseconds(5000))) {
                return;
            }
            std::this_thread::sleep_for(milliseconds(400));
            if (c.thief == Thief::Locker) {
                locker = KeyboardGrab::Start();
                return;
            }
            std::string error;
            auto other = X11Desktop::Open(nullptr, error);
            const WindowHandle to =
                c.thief == Thief::Sibling ? target->SiblingWindow() : bank->Window();
            if (other) {
                other->SetForegroundWindow(to);
                WaitUntil([&] { return other->FocusWindow() == to; }, milliseconds(2000));
            }
        });
        const TaskRun result = Run(std::string("|Orvanel safety task|0|0|") + c.script);
        thief.join();
        EXPECT_EQ(SkipText(result), c.skipped);
        EXPECT_EQ(history::RunHistoryLine(result).outcome, history::Outcome::Skipped);
        EXPECT_EQ(target->Output(), "a");
        EXPECT_EQ(target->SiblingOutput(), "");
        EXPECT_EQ(bank->Output(), "");
        if (locker) {
            EXPECT_EQ(locker->KeysReceived(), 0U);
        } else {
            EXPECT_NE(c.thief, Thief::Locker) << "the locker stand-in did not grab in time";
        }
    }
}

TEST_F(SafetyE2eTest, TheStopKeyEndsASleepAtOnceAndLeavesNoKeyDown) {
    auto target = TargetWindow::Start("Orvanel safety stop");
    ASSERT_TRUE(target);
    ASSERT_TRUE(Activate(target->Window()));
    Clock::time_point pressed{};
    std::thread press([&] {
        Display* dpy = XOpenDisplay(nullptr);
        if (dpy == nullptr ||
            !WaitUntil([&] { return target->Output() == "A"; }, milliseconds(5000))) {
            return;
        }
        std::this_thread::sleep_for(milliseconds(200)); // well into the sleep
        const KeySym combination[] = {XK_Control_L, XK_Alt_L, XK_Shift_L, XK_s};
        pressed = Clock::now();
        for (KeySym k : combination) {
            XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, k), True, CurrentTime);
        }
        for (KeySym k : combination) {
            XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, k), False, CurrentTime);
        }
        XSync(dpy, False);
        XCloseDisplay(dpy);
    });
    // SHIFT is held through the sleep: the stop must let go of it.
    const TaskRun result = Run("|Orvanel safety stop|0|0|+(a{SLEEP 30}b);c");
    const Clock::time_point ended = Clock::now();
    press.join();
    ASSERT_NE(pressed, Clock::time_point{});
    const auto reaction = std::chrono::duration_cast<milliseconds>(ended - pressed);
    std::printf("the run ended %lld ms after the stop key\n",
                static_cast<long long>(reaction.count()));
    EXPECT_LT(reaction, milliseconds(2000));
    EXPECT_EQ(result.skipped, SkipReason::StoppedByUser);
    EXPECT_TRUE(result.stopKeyWatched);
    EXPECT_EQ(PressedKeycodes(), std::vector<int>{});
    EXPECT_EQ(target->Output(), "A");
}

} // namespace
} // namespace orvanel
