// The task runner when nobody is at the desk: a locked screen or a held
// keyboard, a window that does not take the focus or loses it during the
// run, and the stop key. The recording desktop plays the other programs and
// the user.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "desktop/recording/recording.h"
#include "keys/keyoutput.h"
#include "schedule/task.h"
#include "scheduler/guardeddesktop.h"
#include "scheduler/runner.h"

namespace orvanel {
namespace {

// The characters typed, from the record's key-down lines of letter keys.
std::string Typed(const RecordingDesktop& desktop) {
    std::string typed;
    for (const std::string& line : desktop.Lines()) {
        const int vk = line.rfind("down ", 0) == 0 ? std::stoi(line.substr(5)) : 0;
        if (vk >= 'A' && vk <= 'Z') {
            typed += static_cast<char>(vk - 'A' + 'a');
        }
    }
    return typed;
}

class SafetyTest : public ::testing::Test {
protected:
    TaskRun Run(const std::string& line, const std::string& delay = "10") {
        return RunTask(keys, ParseTaskLine(line), delay, kNoWindow);
    }
    std::string Typed() const { return orvanel::Typed(desktop); }

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
        const TaskRun result = Run(c.line);
        EXPECT_EQ(desktop.Record(), c.record);
        EXPECT_EQ(result.skipped, SkipReason::StartFailed);
        EXPECT_EQ(result.startFailure, 2);
    }
}

// Every key of a run passes the gate: the focus and the input are looked at
// after every wait and every 50 ms of typing. Events come at a moment of the
// fake clock, counted from the start of the run (the script delay is 100 ms,
// every key event takes `keyTime` ms).
TEST(RunGateTest, KeysGoOnlyToTheTasksWindowAndItsDialogs) {
    enum class Event { None, ToChat, ToSibling, ToDialog, Lock };
    struct Case {
        const char* name;
        const char* line;
        std::int64_t at; // ms into the run
        Event event;
        const char* typed;
        const char* skipped;
        bool refused = false; // the task's window keeps the focus from being moved
        std::int64_t keyTime = 0;
    };
    const Case cases[] = {
        {"focused", "e|Editor|7|0|a;b;c", 0, Event::None, "abc", ""},
        {"refused", "e|Editor|7|0|a;b;c", 0, Event::None, "", "the window did not take the focus",
         true},
        {"focus moves in the script delay", "e|Editor|7|0|a;b;c", 50, Event::ToChat, "a",
         "focus moved to another window after step 1"},
        {"focus moves in a sleep of a step", "e|Editor|7|0|a{SLEEP 3}bc", 1500, Event::ToChat, "a",
         "focus moved to another window during step 1"},
        {"locked in a sleep", "e|Editor|7|0|a;{SLEEP 3}pw~", 1500, Event::Lock, "a",
         "screen locked during step 2"},
        {"locked in the wait after the start", "e||7|0|abc", 1500, Event::Lock, "",
         "screen locked before step 1"},
        {"a sibling of the same program", "e|Editor|7|0|a;b;c", 50, Event::ToSibling, "a",
         "focus moved to another window after step 1"},
        {"its own dialog", "e|Editor|7|0|a;b;c", 50, Event::ToDialog, "abc", ""},
        {"no title", "e||7|0|a;b;c", 3050, Event::ToChat, "a",
         "focus moved to another window after step 1"},
        {"not found", "e|Viewer|7|0|a;b;c", 0, Event::None, "",
         "no window with the title after the start"},
        // 1 ms a key event: the focus moves 20 ms in, and is seen 50 ms in,
        // at the 26th character.
        {"focus moves while typing",
         "e|Editor|7|0|abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz", 20, Event::ToChat,
         "abcdefghijklmnopqrstuvwxy", "focus moved to another window during step 1", false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingDesktop desktop;
        KeyOutput keys(desktop);
        const WindowHandle editor = desktop.AddWindow("Editor");
        const WindowHandle chat = desktop.AddWindow("Chat");
        const WindowHandle sibling = desktop.AddWindow("Editor - notes");
        const WindowHandle dialog = desktop.AddWindow("Editor: Save as");
        desktop.SetProgram(editor, 1);
        desktop.SetProgram(sibling, 1);
        desktop.SetProgram(dialog, 1);
        desktop.SetOwner(dialog, editor);
        desktop.SetForeground(c.refused ? chat : editor);
        if (c.refused) {
            desktop.RefuseFocus(editor);
        }
        desktop.SetKeyEventTime(c.keyTime);
        const WindowHandle thief = c.event == Event::ToChat      ? chat
                                   : c.event == Event::ToSibling ? sibling
                                                                 : dialog;
        if (c.event == Event::Lock) {
            desktop.At(desktop.Now() + c.at,
                       [&] { desktop.SetInputBlock(InputBlock::ScreenLocked); });
        } else if (c.event != Event::None) {
            desktop.At(desktop.Now() + c.at, [&] { desktop.SetForeground(thief); });
        }
        const TaskRun run = RunTask(keys, ParseTaskLine(c.line), "100", kNoWindow);
        EXPECT_EQ(Typed(desktop), c.typed);
        EXPECT_EQ(SkipText(run), c.skipped);
        EXPECT_TRUE(desktop.HeldKeys().empty());
    }
}

TEST_F(SafetyTest, KeysTheDesktopRefusedInTheLastStepEndTheRunAsAMovedFocus) {
    desktop.AddWindow("Editor");
    desktop.keysRefused = true;
    const TaskRun run = Run("e|Editor|7|0|a;b");
    EXPECT_EQ(SkipText(run), "focus moved to another window during step 2");
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
        const TaskRun result = Run("e|Editor|7|0|ab", "0");
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
        const TaskRun result = Run(std::string("e|Editor|7|0|") + c.script, "20");
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
