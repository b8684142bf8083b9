// Where the keyboard focus is, seen from one window: the window itself and
// its transients have it; other windows of its process, the window it is
// transient for, and other programs' windows do not. With and without a
// window manager.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstring>

#include "x11testing.h"

namespace orvanel {
namespace {

using namespace x11test;

class FocusQueryTest : public DesktopTest {
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
        if (dpy != nullptr) {
            XCloseDisplay(dpy);
        }
    }

    // A mapped top-level window of "process" `pid` on `machine` (0 and null:
    // no such property), transient for `owner` (0: none).
    Window Make(long pid, const char* machine, Window owner = 0) {
        const Window w = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 50, 50, 0, 0, 0);
        if (pid != 0) {
            XChangeProperty(dpy, w, XInternAtom(dpy, "_NET_WM_PID", False), XA_CARDINAL, 32,
                            PropModeReplace, reinterpret_cast<unsigned char*>(&pid), 1);
        }
        if (machine != nullptr) {
            XChangeProperty(dpy, w, XA_WM_CLIENT_MACHINE, XA_STRING, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(machine),
                            static_cast<int>(std::strlen(machine)));
        }
        if (owner != 0) {
            XSetTransientForHint(dpy, w, owner);
        }
        XMapWindow(dpy, w);
        XSync(dpy, False);
        return w;
    }
    void Focus(Window w) {
        XSetInputFocus(dpy, w, RevertToNone, CurrentTime);
        XSync(dpy, False);
    }

    Display* dpy = nullptr;
};

TEST_F(FocusQueryTest, OnlyTheWindowAndItsTransientsHaveIt) {
    const Window main = Make(4242, "desk");
    const Window dialog = Make(0, nullptr, main);
    const Window dialogOfDialog = Make(0, nullptr, dialog);
    const Window child = XCreateSimpleWindow(dpy, main, 5, 5, 10, 10, 0, 0, 0);
    XMapWindow(dpy, child);
    const Window sibling = Make(4242, "desk");
    const Window otherProcess = Make(999, "desk");
    const Window otherMachine = Make(4242, "other");
    const Window noMachine = Make(4242, nullptr);
    const Window noPid = Make(0, nullptr);
    const Window othersDialog = Make(0, nullptr, otherProcess);
    const Window root = DefaultRootWindow(dpy);
    struct Case {
        const char* name;
        Window focus;
        Window foreground;
        FocusState expected;
    };
    const Case cases[] = {
        {"the window", main, main, FocusState::WithWindow},
        {"a window inside it", child, main, FocusState::WithWindow},
        {"its dialog", dialog, dialog, FocusState::WithWindow},
        {"its dialog's dialog", dialogOfDialog, dialogOfDialog, FocusState::WithWindow},
        {"the same process", sibling, sibling, FocusState::Elsewhere},
        {"another process", otherProcess, otherProcess, FocusState::Elsewhere},
        {"the same pid elsewhere", otherMachine, otherMachine, FocusState::Elsewhere},
        {"the same pid, no machine", noMachine, noMachine, FocusState::Elsewhere},
        {"a window without a pid", noPid, noPid, FocusState::Elsewhere},
        {"another's dialog", othersDialog, othersDialog, FocusState::Elsewhere},
        {"the root window", root, 0, FocusState::Elsewhere},
        {"no window", None, 0, FocusState::Elsewhere},
    };
    for (const Case& c : cases) {
        Focus(c.focus);
        EXPECT_EQ(desktop->FocusIsWith(main), c.expected) << c.name;
        EXPECT_EQ(desktop->GetForegroundWindow(), c.foreground) << c.name;
    }
    // Seen from the dialog, the main window it belongs to is another window.
    Focus(main);
    EXPECT_EQ(desktop->FocusIsWith(dialogOfDialog), FocusState::Elsewhere);
    Focus(dialogOfDialog);
    EXPECT_EQ(desktop->FocusIsWith(dialog), FocusState::WithWindow);
    EXPECT_EQ(desktop->FocusIsWith(kNoWindow), FocusState::Elsewhere);
}

TEST_F(FocusQueryTest, UnderAWindowManagerTheClientNotItsFrameIsTheForegroundWindow) {
    auto wm = WindowManager::Start(*desktop);
    ASSERT_TRUE(wm);
    auto first = TargetWindow::Start("Orvanel focus one");
    auto second = TargetWindow::Start("Orvanel focus two");
    ASSERT_TRUE(first && second);
    for (const auto* target : {first.get(), second.get(), first.get()}) {
        const WindowHandle other = target == first.get() ? second->Window() : first->Window();
        ASSERT_TRUE(Activate(target->Window()));
        EXPECT_EQ(desktop->GetForegroundWindow(), target->Window());
        EXPECT_EQ(desktop->FocusIsWith(target->Window()), FocusState::WithWindow);
        EXPECT_EQ(desktop->FocusIsWith(other), FocusState::Elsewhere);
    }
}

} // namespace
} // namespace orvanel
