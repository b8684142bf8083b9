// The task runner with the real Windows backend: it types only into the
// task's window, stops when the focus moves away, and stops at once, with
// every key up, when the stop key is pressed.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "desktop/win32/win32desktop.h"
#include "keys/keyoutput.h"
#include "scheduler/runner.h"
#include "win32testing.h"

namespace orvanel {
namespace {

using win32test::ReadFileBytes;
using win32test::ScratchDir;
using win32test::TargetProgram;
using win32test::WaitUntil;

std::atomic<int> bystanderKeys{0};
constexpr UINT kTakeFocus = WM_APP + 1;

LRESULT CALLBACK BystanderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_CHAR:
        ++bystanderKeys;
        return 0;
    case kTakeFocus:
        ::SetForegroundWindow(window);
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcA(window, message, wParam, lParam);
    }
}

// Another program's window as the target sees it: a window of its own thread
// in this process, which counts the keys it gets and takes the focus when
// told to.
class Bystander {
public:
    Bystander() {
        bystanderKeys = 0;
        HANDLE created = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread_ = std::thread([this, created] {
            WNDCLASSA windowClass = {};
            windowClass.lpfnWndProc = BystanderProc;
            windowClass.hInstance = ::GetModuleHandleA(nullptr);
            windowClass.lpszClassName = "OrvanelBystander";
            ::RegisterClassA(&windowClass);
            window_ = ::CreateWindowExA(0, "OrvanelBystander", "Orvanel bystander",
                                        WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                        nullptr, ::GetModuleHandleA(nullptr), nullptr);
            ::SetEvent(created);
            MSG message;
            while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
                ::TranslateMessage(&message);
                ::DispatchMessageA(&message);
            }
        });
        ::WaitForSingleObject(created, 10000);
        ::CloseHandle(created);
    }
    ~Bystander() {
        ::PostMessageA(window_, WM_CLOSE, 0, 0);
        thread_.join();
    }
    Bystander(const Bystander&) = delete;
    Bystander& operator=(const Bystander&) = delete;

    HWND Handle() const { return window_; }
    void TakeFocus() const { ::PostMessageA(window_, kTakeFocus, 0, 0); }
    int Keys() const { return bystanderKeys.load(); }

private:
    std::thread thread_;
    HWND window_ = nullptr;
};

// The Windows backend, keeping count of the keys it has left down.
class CountingDesktop : public Win32Desktop {
public:
    void keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                     std::uintptr_t extraInfo) override {
        Win32Desktop::keybd_event(virtualKey, scanCode, flags, extraInfo);
        down_[virtualKey] = (flags & kKeyEventKeyUp) == 0;
    }
    std::string KeysLeftDown() const {
        std::string down;
        for (int key = 0; key < 256; ++key) {
            if (down_[key]) {
                down += std::to_string(key) + " ";
            }
        }
        return down;
    }

private:
    std::array<bool, 256> down_{};
};

// The virtual keys down now, as the system sees them (mouse buttons aside).
// Under Wine this is a weak test: the X server's view of the modifiers can
// reset a modifier sent down.
std::string KeysDown() {
    std::string down;
    for (int key = 8; key < 256; ++key) {
        if ((::GetAsyncKeyState(key) & 0x8000) != 0) {
            down += std::to_string(key) + " ";
        }
    }
    return down;
}

class RunSafety : public ::testing::Test {
protected:
    // Starts the target, not active, and waits for its window.
    void StartTarget(HWND refuseTo = nullptr) {
        title_ = "Orvanel safety target " + std::to_string(::GetCurrentProcessId()) + " " +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        chars_ = scratch_.Path() / "chars.txt";
        target_ = std::make_unique<TargetProgram>(title_, chars_, SW_SHOWNOACTIVATE, refuseTo);
        ASSERT_TRUE(target_->Started());
        ASSERT_TRUE(
            WaitUntil([&] { return ::FindWindowA(nullptr, title_.c_str()) != nullptr; }, 15000));
    }

    RunResult Run(const std::string& script, const std::string& delay) {
        return RunTask(keys_, "C:\\nowhere\\none.exe|" + title_ + "|7|5|" + script, delay,
                       kNoWindow);
    }

    std::string Received() {
        ::Sleep(300); // anything typed by mistake would show by now
        return ReadFileBytes(chars_);
    }

    CountingDesktop desktop_;
    KeyOutput keys_{desktop_};
    ScratchDir scratch_;
    std::string title_;
    std::filesystem::path chars_;
    std::unique_ptr<TargetProgram> target_;
};

TEST_F(RunSafety, ATargetThatRefusesTheFocusGetsNothing) {
    Bystander bystander;
    StartTarget(bystander.Handle());
    const RunResult result = Run("abc;def", "0");
    EXPECT_EQ(SkipText(result.skipped, result.steps), "the window did not take the focus");
    EXPECT_EQ(Received(), "");
    EXPECT_EQ(bystander.Keys(), 0);
}

TEST_F(RunSafety, AWindowThatTakesTheFocusAfterStepOneGetsNoLaterStep) {
    Bystander thief;
    StartTarget();
    std::thread stealer([&] {
        WaitUntil([&] { return ReadFileBytes(chars_) == "ab"; }, 15000);
        thief.TakeFocus();
    });
    // The script delay gives the thief time to take the focus.
    const RunResult result = Run("ab;cd;ef", "1500");
    stealer.join();
    EXPECT_EQ(SkipText(result.skipped, result.steps), "focus moved to another window after step 1");
    EXPECT_EQ(Received(), "ab");
    EXPECT_EQ(thief.Keys(), 0);
    EXPECT_EQ(desktop_.KeysLeftDown(), "");
    EXPECT_EQ(KeysDown(), "");
}

TEST_F(RunSafety, TheStopKeyEndsALongSleepWithEveryKeyUp) {
    StartTarget();
    std::atomic<ULONGLONG> pressedAt{0};
    std::thread presser([&] {
        // CTRL is held through the sleep; Ctrl+X shows the sleep has begun.
        WaitUntil([&] { return ReadFileBytes(chars_) == "\x18"; }, 15000);
        ::Sleep(200);
        pressedAt = ::GetTickCount64();
        win32test::PressStopKey();
    });
    const RunResult result = Run("^(x{SLEEP 30}y);z", "0");
    const ULONGLONG endedAt = ::GetTickCount64();
    presser.join();
    const ULONGLONG took = endedAt - pressedAt.load();
    std::printf("the run ended %llu ms after the stop key\n", took);
    EXPECT_TRUE(result.stopKeyWatched);
    EXPECT_EQ(SkipText(result.skipped, result.steps), "stopped by the user");
    EXPECT_LT(took, 2000u);
    EXPECT_EQ(Received(), "\x18");
    EXPECT_EQ(desktop_.KeysLeftDown(), "");
    EXPECT_EQ(KeysDown(), "");
}

} // namespace
} // namespace orvanel
