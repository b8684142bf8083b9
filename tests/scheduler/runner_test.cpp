#include "scheduler/runner.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "desktop/recording/recording.h"
#include "keys/keyoutput.h"
#include "schedule/task.h"
#include "scheduler_fixture.h"

namespace orvanel {
namespace {

using test::Append;
using test::KeysOf;

// The recording desktop, also keeping what the shell was handed that the
// record does not show (the owner, and null against empty texts).
class ShellDesktop : public RecordingDesktop {
public:
    struct Call {
        WindowHandle owner;
        std::string operation;
        std::string file;
        bool parametersNull;
        bool directoryNull;
        std::string directory;
        int show;
    };
    std::intptr_t ShellExecuteA(WindowHandle owner, const char* operation, const char* file,
                                const char* parameters, const char* directory,
                                int showCommand) override {
        calls.push_back({owner, operation ? operation : "", file ? file : "", parameters == nullptr,
                         directory == nullptr, directory ? directory : "", showCommand});
        return RecordingDesktop::ShellExecuteA(owner, operation, file, parameters, directory,
                                               showCommand);
    }
    std::vector<Call> calls;
};

class RunTaskTest : public ::testing::Test {
protected:
    void Run(const std::string& line, const std::string& delay = "0") {
        RunTask(keys, ParseTaskLine(line), delay, kOwner);
    }

    static constexpr WindowHandle kOwner = 77;
    ShellDesktop desktop;
    KeyOutput keys{desktop};
};

TEST_F(RunTaskTest, HandsTheShellTheFileAndDirectoryParts) {
    struct Case {
        const char* exe;
        const char* record;
        const char* file;
        const char* directory;
    };
    const Case cases[] = {
        {"C:\\Tools\\app.exe", "shell open app.exe C:\\Tools\\", "app.exe", "C:\\Tools\\"},
        {"app.exe", "shell open app.exe", "app.exe", ""},
        {"D:app.exe", "shell open app.exe D:", "app.exe", "D:"},
        {"C:/Tools/app.exe", "shell open /Tools/app.exe C:", "/Tools/app.exe", "C:"},
    };
    for (const Case& c : cases) {
        desktop.ClearRecord();
        desktop.calls.clear();
        Run(std::string(c.exe) + "|No Such Window|7|5|");
        const std::vector<std::string> expected = {"find No Such Window = 0", c.record,
                                                   "sleep 3000", "find No Such Window = 0"};
        EXPECT_EQ(desktop.Lines(), expected) << c.exe;
        ASSERT_EQ(desktop.calls.size(), 1u);
        const ShellDesktop::Call& call = desktop.calls[0];
        EXPECT_EQ(call.owner, kOwner);
        EXPECT_EQ(call.operation, "open");
        EXPECT_EQ(call.file, c.file);
        EXPECT_TRUE(call.parametersNull);
        EXPECT_FALSE(call.directoryNull) << "an empty directory is an empty text";
        EXPECT_EQ(call.directory, c.directory);
        EXPECT_EQ(call.show, 1);
    }
}

TEST_F(RunTaskTest, FoundWindowIsShownBroughtToFrontFocusedAndTypedInto) {
    desktop.AddWindow("Other");
    const WindowHandle window = desktop.AddWindow("Notepad");
    desktop.MinimiseWindow(window);
    Run("C:\\Windows\\notepad.exe|Notepad|7|5|a", "0");
    std::vector<std::string> expected = {"find Notepad = 2", "show 2 1", "foreground 2",
                                         "message 2 7 0 0"};
    Append(expected, KeysOf("a"));
    expected.emplace_back("sleep 0");
    EXPECT_EQ(desktop.Lines(), expected);
    EXPECT_TRUE(desktop.calls.empty()) << "no program is started";
    EXPECT_FALSE(desktop.IsMinimised(window));
    EXPECT_EQ(desktop.Foreground(), window);
}

TEST_F(RunTaskTest, TitleMustBeTheWholeTitle) {
    desktop.AddWindow("Notepad - notes.txt");
    desktop.AddWindow("notepad");
    Run("notepad.exe|Notepad|7|5|");
    const std::vector<std::string> expected = {"find Notepad = 0", "shell open notepad.exe",
                                               "sleep 3000", "find Notepad = 0"};
    EXPECT_EQ(desktop.Lines(), expected);
}

TEST_F(RunTaskTest, StartedProgramsWindowIsActivatedBeforeTheScript) {
    WindowHandle opened = kNoWindow;
    desktop.onShell = [&](const std::string& file, const std::string& directory) {
        EXPECT_EQ(file, "editor.exe");
        EXPECT_EQ(directory, "C:\\Apps\\");
        opened = desktop.AddWindow("Editor");
    };
    Run("C:\\Apps\\editor.exe|Editor|7|5|x", "250");
    std::vector<std::string> expected = {"find Editor = 0", "shell open editor.exe C:\\Apps\\",
                                         "sleep 3000",      "find Editor = 1",
                                         "show 1 1",        "foreground 1",
                                         "message 1 7 0 0"};
    Append(expected, KeysOf("x"));
    expected.emplace_back("sleep 250");
    EXPECT_EQ(desktop.Lines(), expected);
    EXPECT_EQ(desktop.Foreground(), opened);
}

TEST_F(RunTaskTest, EmptyTitleStartsTheProgramEveryTimeWithoutLookingForAWindow) {
    desktop.AddWindow("");
    desktop.AddWindow("run.sh");
    for (int run = 0; run < 2; ++run) {
        desktop.ClearRecord();
        Run("/home/u/run.sh||7|5|a", "");
        std::vector<std::string> expected = {"shell open /home/u/run.sh", "sleep 3000"};
        Append(expected, KeysOf("a"));
        expected.emplace_back("sleep 100");
        EXPECT_EQ(desktop.Lines(), expected) << "run " << run;
    }
    EXPECT_EQ(desktop.calls.size(), 2u);
}

TEST_F(RunTaskTest, EmptyScriptTypesNothingAndWaitsNothing) {
    desktop.AddWindow("Found");
    const std::int64_t before = desktop.Now();
    Run("a.exe|Found|7|5|", "250");
    EXPECT_EQ(desktop.Lines(), (std::vector<std::string>{"find Found = 1", "show 1 1",
                                                         "foreground 1", "message 1 7 0 0"}));
    EXPECT_EQ(desktop.Now(), before);

    desktop.ClearRecord();
    Run("a.exe|Missing|7|5", "250"); // no Script field at all
    EXPECT_EQ(desktop.Lines(), (std::vector<std::string>{"find Missing = 0", "shell open a.exe",
                                                         "sleep 3000", "find Missing = 0"}));
    EXPECT_EQ(desktop.Now(), before + 3000);
}

TEST_F(RunTaskTest, EveryStepIsFollowedByTheDelayTheLastAndEmptyOnesIncluded) {
    desktop.AddWindow("W");
    struct Case {
        const char* script;
        const char* delay;
        std::vector<const char*> steps;
        std::uint32_t wait;
    };
    const Case cases[] = {
        {"a;b;c", "250", {"a", "b", "c"}, 250},
        {"a;", "250", {"a", ""}, 250},
        {";", "10", {"", ""}, 10},
        {"a;;b", "0", {"a", "", "b"}, 0},
        {"ab", "", {"ab"}, 100},
        {"a;b", "abc", {"a", "b"}, 100},
        {"a;b", "-5", {"a", "b"}, 0},
    };
    for (const Case& c : cases) {
        desktop.ClearRecord();
        const std::int64_t before = desktop.Now();
        Run(std::string("w.exe|W|7|5|") + c.script, c.delay);
        std::vector<std::string> expected = {"find W = 1", "show 1 1", "foreground 1",
                                             "message 1 7 0 0"};
        for (const char* step : c.steps) {
            Append(expected, KeysOf(step));
            expected.push_back("sleep " + std::to_string(c.wait));
        }
        EXPECT_EQ(desktop.Lines(), expected) << c.script << " / " << c.delay;
        EXPECT_EQ(desktop.Now() - before, static_cast<std::int64_t>(c.wait * c.steps.size()));
    }
}

TEST_F(RunTaskTest, ReadsOnlyTheFirst255CharactersAndIgnoresHourAndMinute) {
    desktop.AddWindow("W");
    const std::string head = "w.exe|W|not an hour|??|"; // 23 characters
    Run(head + std::string(300, 'a'), "0");
    int downs = 0;
    for (const std::string& line : desktop.Lines()) {
        downs += line.rfind("down ", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(downs, 255 - static_cast<int>(head.size()));
}

TEST_F(RunTaskTest, FieldsBeyondTheScriptAreIgnored) {
    desktop.AddWindow("W");
    Run("w.exe|W|7|5|a|b", "0");
    std::vector<std::string> expected = {"find W = 1", "show 1 1", "foreground 1",
                                         "message 1 7 0 0"};
    Append(expected, KeysOf("a"));
    expected.emplace_back("sleep 0");
    EXPECT_EQ(desktop.Lines(), expected);
}

} // namespace
} // namespace orvanel
