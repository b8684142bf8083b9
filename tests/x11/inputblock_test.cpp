// What keeps typed keys from any window, against a real X server: another
// program's keyboard grab and the screen saver (logind's lock flag is
// tested in tests/posix).
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include "desktop/posix/lockedhint.h"
#include "x11testing.h"

namespace orvanel {
namespace {

using namespace x11test;

class InputBlockTest : public DesktopTest {
protected:
    void SetUp() override {
        DesktopTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        // Whatever the machine's own session says stays out of these tests.
        posix::LockedHintQuery noLogind;
        noLogind.logindMark = "/nonexistent";
        desktop->SetSessionLockQuery(noLogind);
    }
};

TEST_F(InputBlockTest, AnotherProgramsKeyboardGrabHoldsTheKeyboardUntilItEnds) {
    EXPECT_EQ(desktop->InputBlocked(), InputBlock::Clear);
    auto grab = KeyboardGrab::Start();
    ASSERT_TRUE(grab);
    EXPECT_EQ(desktop->InputBlocked(), InputBlock::KeyboardHeld);
    grab.reset();
    EXPECT_TRUE(WaitUntil([&] { return desktop->InputBlocked() == InputBlock::Clear; },
                          milliseconds(3000)));
}

TEST_F(InputBlockTest, TheProbeLeavesTheKeyboardToTheFocusedWindowAndToOthers) {
    auto target = TargetWindow::Start("Orvanel probe target");
    ASSERT_TRUE(target);
    desktop->SetForegroundWindow(target->Window());
    desktop->SendMessageA(target->Window(), kWmSetFocus, 0, 0);
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(desktop->InputBlocked(), InputBlock::Clear);
    }
    TypeText(*desktop, "ok");
    EXPECT_EQ(target->WaitForOutput("ok"), "ok");
    auto grab = KeyboardGrab::Start(); // fails when the probe kept its grab
    EXPECT_TRUE(grab);
}

TEST_F(InputBlockTest, TheScreenSaverInFrontMeansALockedScreen) {
    Display* dpy = XOpenDisplay(nullptr);
    ASSERT_NE(dpy, nullptr);
    int eventBase = 0, errorBase = 0;
    if (XScreenSaverQueryExtension(dpy, &eventBase, &errorBase) == 0) {
        XCloseDisplay(dpy);
        GTEST_SKIP() << "the X server lacks MIT-SCREEN-SAVER";
    }
    XForceScreenSaver(dpy, ScreenSaverActive);
    XSync(dpy, False);
    EXPECT_EQ(desktop->InputBlocked(), InputBlock::ScreenLocked);
    XForceScreenSaver(dpy, ScreenSaverReset);
    XSync(dpy, False);
    EXPECT_TRUE(WaitUntil([&] { return desktop->InputBlocked() == InputBlock::Clear; },
                          milliseconds(3000)));
    XCloseDisplay(dpy);
}

} // namespace
} // namespace orvanel
