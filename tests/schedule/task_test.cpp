// A task line read once into its fields: the same fields, times and errors as
// the text operations give, and the EXE name split for the shell.
#include "schedule/task.h"

#include <gtest/gtest.h>

#include <string>

#include "schedule/error.h"
#include "schedule/taskline.h"

namespace orvanel {
namespace {

// The message TextToInt raises for `text`, or an empty text.
std::string IntegerError(const std::string& text) {
    try {
        TextToInt(text);
    } catch (const Error& error) {
        return error.what();
    }
    return {};
}

TEST(ParseTaskLine, ReadsEveryFieldAsExtractFieldAndTheTimeAsTextToInt) {
    const std::string nul("a|T|1|2|x\0y|z", 13);
    const std::string longLine = "exe|W|7|5|" + std::string(300, 'k');
    const std::string lines[] = {
        "C:\\Tools\\app.exe|Editor|07|$5|ab;{ENTER}",
        "a|b|c",                // fields missing: empty, and a malformed Hour
        "",                     // every field empty
        "a|b|7|x|s",            // a malformed Min.
        "a|b|x|y|s",            // both malformed: the Hour is reported
        "a|b|24|-1|s",          // read, but never due
        "|||5|",                // an empty Hour
        "a|b|7|5|s|beyond|the", // fields after the Script are ignored
        nul,                    // a NUL ends the line
        longLine,               // only the first 255 characters count
    };
    for (const std::string& line : lines) {
        SCOPED_TRACE(line.substr(0, 40));
        const TaskLine task = ParseTaskLine(line, 3);
        EXPECT_EQ(task.row, 3u);
        EXPECT_EQ(task.exeName, ExtractField(line, "|", kExeNameField));
        EXPECT_EQ(task.windowTitle, ExtractField(line, "|", kWindowTitleField));
        EXPECT_EQ(task.script, ExtractField(line, "|", kScriptField));
        EXPECT_EQ(task.exe, SplitExeName(task.exeName));
        const std::string hour = ExtractField(line, "|", kHourField);
        const std::string minute = ExtractField(line, "|", kMinuteField);
        const std::string error =
            !IntegerError(hour).empty() ? IntegerError(hour) : IntegerError(minute);
        EXPECT_EQ(task.time.error, error);
        if (error.empty()) {
            EXPECT_EQ(task.time.hour, TextToInt(hour));
            EXPECT_EQ(task.time.minute, TextToInt(minute));
        }
    }
    EXPECT_EQ(ParseTaskLine(longLine).script.size(), 255u - 10u);
    EXPECT_EQ(ParseTaskLine("a|b|x|y|s").time.error, "'x' is not a valid integer value");
    EXPECT_TRUE(ParseTaskLine("a|b|7|5|").time.DueAt(7, 5));
    EXPECT_FALSE(ParseTaskLine("a|b|24|5|").time.DueAt(24, 5));
    EXPECT_EQ(ParseTaskLine("a|b|23|59|").time.MinuteOfDay(), 1439);
    EXPECT_EQ(ParseTaskLine("a|b|7|60|").time.MinuteOfDay(), std::nullopt);
}

TEST(SplitExeName, DividesAtTheLastBackslashOrColon) {
    struct Case {
        const char* exe;
        const char* directory;
        const char* file;
    };
    const Case cases[] = {
        {"C:\\Tools\\app.exe", "C:\\Tools\\", "app.exe"},
        {"app.exe", "", "app.exe"},
        {"D:app.exe", "D:", "app.exe"},
        {"C:/Tools/app.exe", "C:", "/Tools/app.exe"},
        {"/usr/bin/xterm", "", "/usr/bin/xterm"},
        {"\\\\server\\share\\run.bat", "\\\\server\\share\\", "run.bat"},
        {"C:\\Tools\\", "C:\\Tools\\", ""},
        {"", "", ""},
        {"a:b\\c:d", "a:b\\c:", "d"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitExeName(c.exe), (ExeNameParts{c.directory, c.file})) << c.exe;
    }
}

} // namespace
} // namespace orvanel
