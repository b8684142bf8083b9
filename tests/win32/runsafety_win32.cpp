// The task runner with the real Windows backend: it types only into the
// task's window, stops when the focus moves away (also to another window of
// the same program), and stops at once, with every key up, when the stop key
// is pressed.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "desktop/win32/win32desktop.h"
#include "keys/keyoutput.h"
#include "schedule/task.h"
#include "scheduler/runner.h"
#include "win32testing.h"

namespace orvanel {
namespace {

using win32test::ReadFileBytes;
using win32test::ScratchDir;
using win32test::TargetProgram;
using win32test::WaitUntil;

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

// A target window program and what it has received.
struct Window {
    std::string title;
    std::filesystem::path chars;
    std::unique_ptr<TargetProgram> program;
    HWND handle = nullptr;

    std::string Received() const {
        return ReadFileBytes(chars) + ReadFileBytes(chars.string() + ".keys");
    }
};

class RunSafety : public ::testing::Test {
protected:
    // Starts a target window program, not active, and waits for its window.
    void Start(Window& window, const std::string& name, HWND refuseTo = nullptr) {
        window.title = "Orvanel safety " + name + " " + std::to_string(::GetCurrentProcessId());
        window.chars = scratch_.Path() / (name + ".txt");
        window.program = std::make_unique<TargetProgram>(window.title, window.chars,
                                                         SW_SHOWNOACTIVATE, refuseTo);
        ASSERT_TRUE(WaitUntil(
            [&] {
                return (window.handle = ::FindWindowA(nullptr, window.title.c_str())) != nullptr;
            },
            15000));
    }

    TaskRun Run(const std::string& script, const std::string& delay) {
        return RunTask(keys_,
                       ParseTaskLine("C:\\nowhere\\none.exe|" + target_.title + "|7|5|" + script),
                       delay, kNoWindow);
    }

    // The characters the target got, once anything typed by mistake has had
    // time to arrive.
    std::string Typed() {
        ::Sleep(300);
        return ReadFileBytes(target_.chars);
    }

    CountingDesktop desktop_;
    KeyOutput keys_{desktop_};
    ScratchDir scratch_;
    Window target_;
    Window other_; // another program's window
};

TEST_F(RunSafety, ATargetThatRefusesTheFocusGetsNothing) {
    Start(other_, "other");
    Start(target_, "target", other_.handle);
    const TaskRun result = Run("abc;def", "0");
    EXPECT_EQ(SkipText(result), "the window did not take the focus");
    EXPECT_EQ(Typed(), "");
    EXPECT_EQ(other_.Received(), "");
}

TEST_F(RunSafety, AWindowThatTakesTheFocusAfterStepOneGetsNoLaterStep) {
    Start(other_, "thief");
    Start(target_, "target");
    std::thread thief([&] {
        WaitUntil([&] { return ReadFileBytes(target_.chars) == "ab"; }, 15000);
        ::SetForegroundWindow(other_.handle);
    });
    // The script delay gives the thief time to take the focus.
    const TaskRun result = Run("ab;cd;ef", "1500");
    thief.join();
    EXPECT_EQ(SkipText(result), "focus moved to another window after step 1");
    EXPECT_EQ(Typed(), "ab");
    EXPECT_EQ(other_.Received(), "");
    EXPECT_EQ(desktop_.KeysLeftDown(), "");
    EXPECT_EQ(KeysDown(), "");
}

TEST_F(RunSafety, AnotherWindowOfTheSameProgramThatTakesTheFocusInASleepGetsNothing) {
    target_.title = "Orvanel safety task " + std::to_string(::GetCurrentProcessId());
    const std::string siblingTitle = "Orvanel safety other document";
    target_.chars = scratch_.Path() / "task.txt";
    target_.program = std::make_unique<TargetProgram>(target_.title, target_.chars,
                                                      SW_SHOWNOACTIVATE, siblingTitle);
    HWND sibling = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] { return (sibling = ::FindWindowA(nullptr, siblingTitle.c_str())) != nullptr; },
        15000));
    std::thread thief([&] {
        WaitUntil([&] { return ReadFileBytes(target_.chars) == "a"; }, 15000);
        ::Sleep(400);
        ::SetForegroundWindow(sibling);
    });
    const TaskRun result = Run("a{SLEEP 1}bc", "0");
    thief.join();
    EXPECT_EQ(SkipText(result), "focus moved to another window during step 1");
    EXPECT_EQ(Typed(), "a");
    EXPECT_EQ(ReadFileBytes(target_.chars.string() + ".sibling"), "");
    EXPECT_EQ(desktop_.KeysLeftDown(), "");
}

TEST_F(RunSafety, AProgramThatCannotBeStartedLeavesTheWindowInFrontAlone) {
    Start(other_, "front");
    ::SetForegroundWindow(other_.handle);
    const TaskRun result =
        RunTask(keys_, ParseTaskLine("C:\\nowhere\\none.exe||7|5|abc"), "0", kNoWindow);
    EXPECT_EQ(SkipText(result), "the program could not be started");
    ASSERT_TRUE(result.startFailure);
    EXPECT_LE(*result.startFailure, kShellLastFailure);
    ::Sleep(300); // time for keys sent by mistake to arrive
    EXPECT_EQ(other_.Received(), "");
}

TEST_F(RunSafety, TheStopKeyEndsALongSleepWithEveryKeyUp) {
    Start(target_, "target");
    std::atomic<ULONGLONG> pressedAt{0};
    std::thread presser([&] {
        // CTRL is held through the sleep; Ctrl+X shows the sleep has begun.
        WaitUntil([&] { return ReadFileBytes(target_.chars) == "\x18"; }, 15000);
        ::Sleep(200);
        pressedAt = ::GetTickCount64();
        win32test::PressStopKey();
    });
    const TaskRun result = Run("^(x{SLEEP 30}y);z", "0");
    const ULONGLONG endedAt = ::GetTickCount64();
    presser.join();
    const ULONGLONG took = endedAt - pressedAt.load();
    std::printf("the run ended %llu ms after the stop key\n", took);
    EXPECT_TRUE(result.stopKeyWatched);
    EXPECT_EQ(SkipText(result), "stopped by the user");
    EXPECT_LT(took, 2000u);
    EXPECT_EQ(Typed(), "\x18");
    EXPECT_EQ(desktop_.KeysLeftDown(), "");
    EXPECT_EQ(KeysDown(), "");
}

} // namespace
} // namespace orvanel
