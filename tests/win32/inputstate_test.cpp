// The Windows backend's view of where typed keys go: the session's lock flag,
// the input desktop, the focus as seen from a window, and the stop key.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

#include "desktop/win32/inputstate.h"
#include "desktop/win32/win32desktop.h"
#include "win32testing.h"

namespace orvanel {
namespace {

using win32::FocusRelation;
using win32::SessionLock;
using win32test::ScratchDir;
using win32test::TargetProgram;
using win32test::WaitUntil;

WindowHandle FromHwnd(HWND window) {
    return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(window));
}

TEST(Win32InputState, SessionFlagsReadTheOtherWayRoundOnWindows7) {
    const struct {
        std::int32_t flags;
        bool windows7;
        SessionLock expected;
    } cases[] = {
        {win32::kSessionStateLock, false, SessionLock::Locked},
        {win32::kSessionStateUnlock, false, SessionLock::Unlocked},
        {win32::kSessionStateLock, true, SessionLock::Unlocked},
        {win32::kSessionStateUnlock, true, SessionLock::Locked},
        {win32::kSessionStateUnknown, false, SessionLock::Unknown},
        {win32::kSessionStateUnknown, true, SessionLock::Unknown},
        {7, false, SessionLock::Unknown},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(win32::SessionLockFromFlags(c.flags, c.windows7), c.expected)
            << "flags " << c.flags << (c.windows7 ? " on Windows 7" : "");
    }
}

TEST(Win32InputState, NothingBlocksInputOnTheTestDesktop) {
    EXPECT_TRUE(win32::InputDesktopIsDefault());
    EXPECT_NE(win32::CurrentSessionLock(), SessionLock::Locked);
    Win32Desktop desktop;
    EXPECT_EQ(desktop.InputBlocked(), InputBlock::Clear);
}

// A visible top-level window of this thread, owned by `owner` if given.
std::unique_ptr<HWND__, decltype(&::DestroyWindow)> MakeWindow(const std::string& title,
                                                               HWND owner = nullptr) {
    HWND window = ::CreateWindowExA(0, "STATIC", title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                    CW_USEDEFAULT, CW_USEDEFAULT, 200, 100, owner, nullptr,
                                    ::GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(window, nullptr) << title;
    return {window, &::DestroyWindow};
}

TEST(Win32InputState, AnOpenMenuHoldsTheKeyboard) {
    auto window = MakeWindow("Orvanel menu owner");
    ::SetForegroundWindow(window.get());
    HMENU menu = ::CreatePopupMenu();
    ::AppendMenuA(menu, MF_STRING, 1, "one");
    Win32Desktop desktop;
    InputBlock seen = InputBlock::Clear;
    std::thread closer([&] {
        WaitUntil([&] { return (seen = desktop.InputBlocked()) != InputBlock::Clear; }, 5000);
        ::PostMessageA(window.get(), WM_CANCELMODE, 0, 0);
    });
    ::TrackPopupMenu(menu, 0, 10, 10, 0, window.get(), nullptr); // until the menu closes
    closer.join();
    ::DestroyMenu(menu);
    EXPECT_EQ(seen, InputBlock::KeyboardHeld);
    EXPECT_EQ(desktop.InputBlocked(), InputBlock::Clear);
}

class Win32Focus : public ::testing::Test {
protected:
    void SetUp() override {
        title_ = "Orvanel focus target " + std::to_string(::GetCurrentProcessId());
        target_ =
            std::make_unique<TargetProgram>(title_, scratch_.Path() / "chars.txt", SW_SHOWNORMAL);
        ASSERT_TRUE(
            WaitUntil([&] { return ::FindWindowA(nullptr, title_.c_str()) != nullptr; }, 15000));
        other_ = ::FindWindowA(nullptr, title_.c_str());
    }

    ScratchDir scratch_;
    std::string title_;
    std::unique_ptr<TargetProgram> target_;
    HWND other_ = nullptr; // a window of another process
};

TEST_F(Win32Focus, OnlyTheWindowAndTheWindowsItOwnsHaveIt) {
    auto own = MakeWindow("Orvanel focus own");
    auto sibling = MakeWindow("Orvanel focus sibling");
    auto owned = MakeWindow("Orvanel focus owned", own.get());
    // Owned across processes: only the owner chain ties them.
    auto ownedByOther = MakeWindow("Orvanel focus owned by other", other_);
    const struct {
        HWND foreground;
        HWND window;
        FocusState expected;
        const char* what;
    } cases[] = {
        {own.get(), own.get(), FocusState::WithWindow, "the window itself"},
        {owned.get(), own.get(), FocusState::WithWindow, "a window it owns"},
        {own.get(), owned.get(), FocusState::Elsewhere, "its owner"},
        {sibling.get(), own.get(), FocusState::Elsewhere, "the same process"},
        {owned.get(), sibling.get(), FocusState::Elsewhere, "a window another one owns"},
        {ownedByOther.get(), other_, FocusState::WithWindow, "owned from another process"},
        {other_, ownedByOther.get(), FocusState::Elsewhere, "owner in another process"},
        {other_, own.get(), FocusState::Elsewhere, "another process"},
        {own.get(), other_, FocusState::Elsewhere, "another process, reversed"},
        {nullptr, own.get(), FocusState::Elsewhere, "no foreground window"},
        {own.get(), nullptr, FocusState::Elsewhere, "no window"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FocusRelation(FromHwnd(c.foreground), FromHwnd(c.window)), c.expected) << c.what;
    }
}

TEST_F(Win32Focus, FocusIsWithFollowsTheForegroundWindow) {
    auto own = MakeWindow("Orvanel focus front");
    Win32Desktop desktop;
    ASSERT_TRUE(desktop.SetForegroundWindow(FromHwnd(other_)));
    // Another process's window comes to the front once that process has seen it.
    EXPECT_TRUE(WaitUntil([&] { return desktop.GetForegroundWindow() == FromHwnd(other_); }, 5000));
    EXPECT_EQ(desktop.FocusIsWith(FromHwnd(own.get())), FocusState::Elsewhere);
    EXPECT_EQ(desktop.FocusIsWith(FromHwnd(other_)), FocusState::WithWindow);
    ASSERT_TRUE(desktop.SetForegroundWindow(FromHwnd(own.get())));
    EXPECT_EQ(desktop.FocusIsWith(FromHwnd(own.get())), FocusState::WithWindow);
    EXPECT_EQ(desktop.FocusIsWith(FromHwnd(other_)), FocusState::Elsewhere);
}

// ---- The stop key ----

constexpr UINT kStopModifiers = MOD_CONTROL | MOD_ALT | MOD_SHIFT;

TEST(Win32StopKey, APressIsSeenAndTheKeyIsGivenBack) {
    Win32Desktop desktop;
    ASSERT_TRUE(desktop.StartStopKeyWatch());
    EXPECT_FALSE(desktop.StopKeyPressed());
    ASSERT_TRUE(win32test::PressStopKey());
    EXPECT_TRUE(WaitUntil([&] { return desktop.StopKeyPressed(); }, 2000));
    // A new watch forgets the press.
    ASSERT_TRUE(desktop.StartStopKeyWatch());
    EXPECT_FALSE(desktop.StopKeyPressed());
    desktop.EndStopKeyWatch();
    ASSERT_TRUE(::RegisterHotKey(nullptr, 1, kStopModifiers, kStopKeyVirtualKey))
        << "the stop key was not given back";
    ::UnregisterHotKey(nullptr, 1);
    for (int key : {VK_CONTROL, VK_MENU, VK_SHIFT, static_cast<int>(kStopKeyVirtualKey)}) {
        EXPECT_EQ(::GetAsyncKeyState(key) & 0x8000, 0) << "key " << key << " is down";
    }
}

TEST(Win32StopKey, StartFailsWhileAnotherHolderHasTheKey) {
    ASSERT_TRUE(::RegisterHotKey(nullptr, 1, kStopModifiers, kStopKeyVirtualKey));
    Win32Desktop desktop;
    EXPECT_FALSE(desktop.StartStopKeyWatch());
    EXPECT_FALSE(desktop.StopKeyPressed());
    desktop.EndStopKeyWatch(); // harmless without a watch
    ::UnregisterHotKey(nullptr, 1);
    EXPECT_TRUE(desktop.StartStopKeyWatch());
    desktop.EndStopKeyWatch();
}

} // namespace
} // namespace orvanel
