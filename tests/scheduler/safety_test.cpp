// The task runner when nobody is at the desk: a locked screen or a held
// keyboard, a window that does not take the focus or loses it, and the stop
// key. The recording desktop plays the other programs and the user.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "desktop/recording/recording.h"
#include "keys/keyoutput.h"
#include "scheduler/guardeddesktop.h"
#include "scheduler/runner.h"

namespace orvanel {
namespace {

class SafetyTest : public ::testing::Test {
protected:
    RunResult Run(const std::string& line, const std::string& delay = "10") {
        return RunTask(keys, line, delay, kNoWindow);
    }
    // The characters typed, from the record's key-down lines of letter keys.
    std::string Typed() const {
        std::string typed;
        for (const std::string& line : desktop.Lines()) {
            const int vk = line.rfind("down ", 0) == 0 ? std::stoi(line.substr(5)) : 0;
            if (vk >= 'A' && vk <= 'Z') {
                typed += static_cast<char>(vk - 'A' + 'a');
            }
        }
        return typed;
    }

    RecordingDesktop desktop;
    KeyOutput keys{desktop};
};

TEST_F(SafetyTest, NothingRunsWhileInputCannotArriveExceptATaskWithoutScript) {
    struct Case {
        InputBlock block;
        const char* line;
        SkipReason reason;
        const char* record;
    };
    const Case cases[] = {
        {InputBlock::ScreenLocked, "app.exe|Editor|7|0|abc", SkipReason::ScreenLocked, ""},
        {InputBlock::KeyboardHeld, "app.exe||7|0|abc", SkipReason::KeyboardHeld, ""},
        // The backup at 23:30 needs no keys: it starts as always.
        {InputBlock::ScreenLocked, "backup.exe||23|30|", SkipReason::NotSkipped,
         "shell open backup.exe\nsleep 3000\n"},
        {InputBlock::Clear, "app.exe||7|0|", SkipReason::NotSkipped,
         "shell open app.exe\nsleep 3000\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        desktop.AddWindow("Editor");
        desktop.ClearRecord();
        desktop.SetInputBlock(c.block);
        EXPECT_EQ(Run(c.line).skipped, c.reason);
        EXPECT_EQ(desktop.Record(), c.record);
    }
}

TEST_F(SafetyTest, AProgramThatCannotBeStartedGetsNoKeysAndNoWait) {
    const WindowHandle chat = desktop.AddWindow("Chat");
    desktop.SetForeground(chat);
    desktop.SetShellAnswer(2); // file not found
    struct Case {
        const char* line;
        const char* record;
    };
    const Case cases[] = {
        {"missing.exe||7|0|abc", "shell open missing.exe\n"},
        {"missing.exe|Editor|7|0|abc", "find Editor = 0\nshell open missing.exe\n"},
        {"missing.exe||7|0|", "shell open missing.exe\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        desktop.ClearRecord();
        const RunResult result = Run(c.line);
        EXPECT_EQ(desktop.Record(), c.record);
        EXPECT_EQ(result.skipped, SkipReason::StartFailed);
        EXPECT_EQ(result.startFailure, 2);
    }
}

TEST_F(SafetyTest, KeysGoOnlyToTheTasksWindowOrItsProgram) {
    const WindowHandle editor = desktop.AddWindow("Editor");
    const WindowHandle chat = desktop.AddWindow("Chat");
    const WindowHandle dialog = desktop.AddWindow("Editor: Save as");
    desktop.SetProgram(editor, 1);
    desktop.SetProgram(dialog, 1);
    struct Case {
        const char* name;
        const char* line;
        WindowHandle refuses; // this window keeps the focus from being moved
        WindowHandle thief;   // takes the focus during the first delay
        const char* typed;
        SkipReason reason;
        std::int32_t steps; // begun
        const char* detail;
    };
    const Case cases[] = {
        {"focused", "e|Editor|7|0|a;b;c", kNoWindow, kNoWindow, "abc", SkipReason::NotSkipped, 3,
         ""},
        {"refused", "e|Editor|7|0|a;b;c", editor, kNoWindow, "", SkipReason::WindowNotFocused, 0,
         "the window did not take the focus"},
        {"stolen", "e|Editor|7|0|a;b;c", kNoWindow, chat, "a", SkipReason::FocusMoved, 1,
         "focus moved to another window after step 1"},
        {"own dialog", "e|Editor|7|0|a;b;c", kNoWindow, dialog, "abc", SkipReason::NotSkipped, 3,
         ""},
        {"no title", "e||7|0|a;b;c", kNoWindow, chat, "a", SkipReason::FocusMoved, 1,
         "focus moved to another window after step 1"},
        {"not found", "e|Viewer|7|0|a;b;c", kNoWindow, kNoWindow, "", SkipReason::WindowNotFound, 0,
         "no window with the title after the start"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        desktop.SetForeground(c.refuses != kNoWindow ? chat : editor);
        if (c.refuses != kNoWindow) {
            desktop.RefuseFocus(c.refuses);
        }
        int sleeps = 0;
        desktop.onSleep = [&](std::uint32_t) {
            if (++sleeps == 1 && c.thief != kNoWindow) {
                desktop.SetForeground(c.thief);
            }
        };
        // A task without a title starts its program, whose window is in front.
        if (std::string(c.line).find("||") != std::string::npos) {
            sleeps = -1; // the 3 s after the start come first
        }
        desktop.ClearRecord();
        const RunResult result = Run(c.line);
        EXPECT_EQ(Typed(), c.typed);
        EXPECT_EQ(result.skipped, c.reason);
        EXPECT_EQ(result.steps, c.steps);
        EXPECT_EQ(SkipText(result.skipped, result.steps), c.detail);
        EXPECT_TRUE(desktop.HeldKeys().empty());
        desktop.onSleep = nullptr;
    }
}

TEST_F(SafetyTest, KeysTheDesktopRefusedAfterTheLastStepEndTheRunAsAMovedFocus) {
    desktop.AddWindow("Editor");
    desktop.keysRefused = true;
    const RunResult result = Run("e|Editor|7|0|a;b");
    EXPECT_EQ(result.skipped, SkipReason::FocusMoved);
    EXPECT_EQ(SkipText(result.skipped, result.steps), "focus moved to another window after step 2");
}

TEST_F(SafetyTest, AWindowSlowToTakeTheFocusIsWaitedForABoundedTime) {
    const WindowHandle editor = desktop.AddWindow("Editor");
    const WindowHandle chat = desktop.AddWindow("Chat");
    desktop.RefuseFocus(editor); // a busy program: it comes to the front later
    for (const std::int64_t late : {300, 5000}) {
        desktop.SetForeground(chat);
        const std::int64_t start = desktop.Now();
        desktop.onSleep = [&](std::uint32_t) {
            if (desktop.Now() - start >= late) {
                desktop.SetForeground(editor);
            }
        };
        const RunResult result = Run("e|Editor|7|0|ab", "0");
        EXPECT_EQ(result.skipped, late < kFocusWaitMilliseconds ? SkipReason::NotSkipped
                                                                : SkipReason::WindowNotFocused);
        EXPECT_LE(desktop.Now() - start, kFocusWaitMilliseconds + kFocusPollMilliseconds);
        desktop.onSleep = nullptr;
    }
    EXPECT_EQ(Typed(), "ab");
}

TEST_F(SafetyTest, TheStopKeyEndsAWaitAtOnceAndLeavesNoKeyDown) {
    desktop.SetStopKeyAvailable(true);
    desktop.AddWindow("Editor");
    struct Case {
        const char* script;
        std::int64_t pressAfter; // ms of waiting before the user presses the key
        std::int32_t steps;      // begun
    };
    const Case cases[] = {
        {"a;{SLEEP 30};b", 1000, 2},  // in a {SLEEP} of the second step
        {"+(x{SLEEP 30}y)", 1000, 1}, // with SHIFT held by the group
        {"a;b;c", 15, 1},             // in the script delay after step 1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        const std::int64_t start = desktop.Now();
        desktop.onSleep = [&](std::uint32_t) {
            if (desktop.Now() - start >= c.pressAfter) {
                desktop.PressStopKey();
            }
        };
        desktop.ClearRecord();
        const RunResult result = Run(std::string("e|Editor|7|0|") + c.script, "20");
        EXPECT_EQ(result.skipped, SkipReason::StoppedByUser);
        EXPECT_EQ(result.steps, c.steps);
        EXPECT_TRUE(result.stopKeyWatched);
        EXPECT_LE(desktop.Now() - start, c.pressAfter + kStopPollMilliseconds);
        EXPECT_TRUE(desktop.HeldKeys().empty());
        EXPECT_EQ(Typed().find('b'), std::string::npos) << "nothing typed after the press";
        EXPECT_EQ(desktop.Lines().back(), "stopkey off");
        EXPECT_FALSE(desktop.StopKeyWatched());
        desktop.onSleep = nullptr;
    }
}

} // namespace
} // namespace orvanel
