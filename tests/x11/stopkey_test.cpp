// The stop key against a real X server: Ctrl+Alt+Shift+S pressed through
// XTEST from another connection is seen, with the lock keys in any state;
// other keys are not; the combination is taken while watched and free after.
#include <gtest/gtest.h>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <vector>

#include "desktop/posix/lockedhint.h"
#include "x11testing.h"

namespace orvanel {
namespace {

using namespace x11test;

class StopKeyTest : public DesktopTest {
protected:
    void SetUp() override {
        DesktopTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        dpy = XOpenDisplay(nullptr);
        ASSERT_NE(dpy, nullptr);
    }
    void TearDown() override {
        if (desktop) {
            desktop->EndStopKeyWatch();
        }
        if (dpy != nullptr) {
            XkbLockModifiers(dpy, XkbUseCoreKbd, 0xFF, 0);
            XCloseDisplay(dpy);
        }
    }

    // Presses the keys in order, then lets them go in reverse.
    void Press(const std::vector<KeySym>& keys) {
        for (KeySym k : keys) {
            XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, k), True, CurrentTime);
        }
        for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
            XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, *it), False, CurrentTime);
        }
        XSync(dpy, False);
    }

    Display* dpy = nullptr;
};

const std::vector<KeySym> kStopKey = {XK_Control_L, XK_Alt_L, XK_Shift_L, XK_s};

TEST_F(StopKeyTest, OnlyTheCombinationStopsWhateverTheLockKeys) {
    struct Case {
        const char* name;
        std::vector<KeySym> keys;
        unsigned locked; // lock modifiers on while pressed
        bool seen;
    };
    const unsigned numLock = XkbKeysymToModifiers(dpy, XK_Num_Lock);
    const Case cases[] = {
        {"s alone", {XK_s}, 0, false},
        {"Ctrl+Shift+S", {XK_Control_L, XK_Shift_L, XK_s}, 0, false},
        {"Ctrl+Alt+Shift+A", {XK_Control_L, XK_Alt_L, XK_Shift_L, XK_a}, 0, false},
        {"Ctrl+Alt+Shift+S", kStopKey, 0, true},
        {"with CapsLock on", kStopKey, LockMask, true},
        {"with NumLock on", kStopKey, numLock, true},
        {"with both on", kStopKey, LockMask | numLock, true},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(desktop->StartStopKeyWatch()) << c.name;
        EXPECT_FALSE(desktop->StopKeyPressed()) << c.name; // no earlier press counts
        XkbLockModifiers(dpy, XkbUseCoreKbd, 0xFF, c.locked);
        Press(c.keys);
        if (c.seen) {
            EXPECT_TRUE(WaitUntil([&] { return desktop->StopKeyPressed(); }, milliseconds(3000)))
                << c.name;
        } else {
            // Seen, if at all, within the round trip of a second press.
            Press({XK_Shift_L});
            EXPECT_FALSE(WaitUntil([&] { return desktop->StopKeyPressed(); }, milliseconds(200)))
                << c.name;
        }
        desktop->EndStopKeyWatch();
        XkbLockModifiers(dpy, XkbUseCoreKbd, 0xFF, 0);
    }
    EXPECT_EQ(PressedKeycodes(), std::vector<int>{});
}

TEST_F(StopKeyTest, TheStopKeyHeldDownIsNoKeyboardHeldByAnotherProgram) {
    posix::LockedHintQuery noLogind;
    noLogind.logindMark = "/nonexistent";
    desktop->SetSessionLockQuery(noLogind);
    ASSERT_TRUE(desktop->StartStopKeyWatch());
    for (KeySym k : kStopKey) { // down, and held
        XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, k), True, CurrentTime);
    }
    XSync(dpy, False);
    EXPECT_TRUE(WaitUntil([&] { return desktop->StopKeyPressed(); }, milliseconds(3000)));
    EXPECT_EQ(desktop->InputBlocked(), InputBlock::Clear);
    for (KeySym k : kStopKey) {
        XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, k), False, CurrentTime);
    }
    XSync(dpy, False);
}

TEST_F(StopKeyTest, TheCombinationIsTakenWhileWatchedAndFreeAfter) {
    std::string error;
    auto other = X11Desktop::Open(nullptr, error);
    ASSERT_TRUE(other) << error;
    ASSERT_TRUE(desktop->StartStopKeyWatch());
    EXPECT_TRUE(desktop->StartStopKeyWatch()); // already watching
    EXPECT_FALSE(other->StartStopKeyWatch());  // BadAccess, and no error box or exit
    desktop->EndStopKeyWatch();
    EXPECT_TRUE(other->StartStopKeyWatch());
    EXPECT_FALSE(desktop->StartStopKeyWatch());
    other->EndStopKeyWatch();

    // Another program holding it (in one lock state only) is no different.
    const KeyCode s = XKeysymToKeycode(dpy, XK_s);
    const unsigned withCaps = ControlMask | Mod1Mask | ShiftMask | LockMask;
    XGrabKey(dpy, s, withCaps, DefaultRootWindow(dpy), False, GrabModeAsync, GrabModeAsync);
    XSync(dpy, False);
    EXPECT_FALSE(desktop->StartStopKeyWatch());
    XUngrabKey(dpy, s, withCaps, DefaultRootWindow(dpy));
    XSync(dpy, False);
    EXPECT_TRUE(desktop->StartStopKeyWatch());
}

} // namespace
} // namespace orvanel
