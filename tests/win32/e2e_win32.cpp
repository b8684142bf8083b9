// End to end on Windows: a target window of another process is found by its
// exact title, brought to the front, and typed into through the key script
// interpreter and the task runner; what it receives as character messages
// must be exactly the text of the script.
#include <gtest/gtest.h>

#include <string>

#include "desktop/win32/win32desktop.h"
#include "keys/keyoutput.h"
#include "keys/keyscript.h"
#include "schedule/task.h"
#include "scheduler/runner.h"
#include "support/scripttext.h"
#include "win32testing.h"

namespace orvanel {
namespace {

using win32test::NormalDirectory;
using win32test::ProgramDirectory;
using win32test::ReadFileBytes;
using win32test::ScratchDir;
using win32test::TargetProgram;
using win32test::WaitUntil;

HWND ToHwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
}

using test::LiteralScript;

std::string Printable(const std::string& bytes) {
    std::string shown;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F) {
            shown += static_cast<char>(c);
        } else {
            char code[8];
            std::snprintf(code, sizeof code, "<%02X>", c);
            shown += code;
        }
    }
    return shown;
}

class TypingTest : public ::testing::Test {
protected:
    void SetUp() override {
        title_ = "Orvanel target " + std::to_string(::GetCurrentProcessId()) + " " +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        chars_ = scratch_.Path() / "chars.txt";
        // Started minimised and not active: the front is the test's job.
        target_ = std::make_unique<TargetProgram>(title_, chars_, SW_SHOWMINNOACTIVE);
        ASSERT_TRUE(target_->Started());
        ASSERT_TRUE(WaitUntil(
            [&] { return desktop_.FindWindowA(nullptr, title_.c_str()) != kNoWindow; }, 15000))
            << "the target window did not open";
        window_ = desktop_.FindWindowA(nullptr, title_.c_str());
    }

    void TearDown() override { target_.reset(); }

    // Brings the target to the front as the task runner does.
    void BringToFront() {
        desktop_.ShowWindow(window_, kShowNormal);
        desktop_.SetForegroundWindow(window_);
        desktop_.SendMessageA(window_, kWmSetFocus, 0, 0);
        EXPECT_FALSE(::IsIconic(ToHwnd(window_)));
        EXPECT_EQ(::GetForegroundWindow(), ToHwnd(window_));
    }

    // What the target received once `expected` has arrived or the wait ran out.
    std::string Received(const std::string& expected) {
        WaitUntil([&] { return ReadFileBytes(chars_).size() >= expected.size(); }, 15000);
        ::Sleep(100); // anything beyond the expected text would show now
        return ReadFileBytes(chars_);
    }

    void ExpectReceived(const std::string& expected) {
        const std::string received = Received(expected);
        EXPECT_EQ(Printable(received), Printable(expected))
            << "keys seen by the target:\n"
            << ReadFileBytes(chars_.string() + ".keys");
    }

    Win32Desktop desktop_;
    KeyOutput keys_{desktop_};
    ScratchDir scratch_;
    std::string title_;
    std::filesystem::path chars_;
    std::unique_ptr<TargetProgram> target_;
    WindowHandle window_ = kNoWindow;
};

TEST_F(TypingTest, EveryPrintableCharacterArrivesVerbatim) {
    std::string text;
    for (int c = 0x20; c < 0x7F; ++c) {
        text += static_cast<char>(c);
    }
    BringToFront();
    PlayStep(keys_, LiteralScript(text));
    ExpectReceived(text);
}

TEST_F(TypingTest, NamedKeysModifierGroupsAndControlChords) {
    const struct {
        const char* step;
        const char* expected;
    } cases[] = {
        {"a{TAB}b{ENTER}c", "a\tb\rc"},
        {"xy{BACKSPACE}z", "xy\bz"},
        {"{TAB 3}~", "\t\t\t\r"},
        {"^a^z", "\x01\x1A"},
        {"^(ab)", "\x01\x02"},
        {"+(abc)d", "ABCd"},
        {"{Hi 2}", "HiHi"},
        {"+{~}{{}{}}", "~{}"},
    };
    BringToFront();
    std::string expected;
    for (const auto& c : cases) {
        PlayStep(keys_, c.step);
        expected += c.expected;
    }
    ExpectReceived(expected);
}

TEST_F(TypingTest, RunTaskFindsTheWindowAndTypesEveryStep) {
    // The runner finds the target by its title, restores it and types.
    const std::string line = "C:\\nowhere\\none.exe|" + title_ + "|7|5|Hello, World{!};^a;{TAB};";
    RunTask(keys_, ParseTaskLine(line), "0", kNoWindow);
    EXPECT_FALSE(::IsIconic(ToHwnd(window_)));
    EXPECT_EQ(::GetForegroundWindow(), ToHwnd(window_));
    ExpectReceived("Hello, World!\x01\t");
}

TEST(RunTaskLaunch, StartsTheProgramInItsOwnDirectory) {
    ScratchDir programDir;
    ScratchDir outputDir;
    const auto probe = programDir.Path() / "cwdprobe_win32.exe";
    std::filesystem::copy_file(ProgramDirectory() / "cwdprobe_win32.exe", probe);
    const auto output = outputDir.Path() / "cwd.txt";
    ::SetEnvironmentVariableA("ORVANEL_CWD_PROBE_OUT", output.string().c_str());

    Win32Desktop desktop;
    KeyOutput keys(desktop);
    const std::string title = "Orvanel no such window " + std::to_string(::GetCurrentProcessId());
    RunTask(keys, ParseTaskLine(probe.string() + "|" + title + "|7|5|"), "0", kNoWindow);
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(output); }, 15000));
    std::string written = ReadFileBytes(output);
    while (!written.empty() && (written.back() == '\n' || written.back() == '\r')) {
        written.pop_back();
    }
    EXPECT_EQ(NormalDirectory(written), NormalDirectory(programDir.Path().string()));
    ::SetEnvironmentVariableA("ORVANEL_CWD_PROBE_OUT", nullptr);
}

} // namespace
} // namespace orvanel
