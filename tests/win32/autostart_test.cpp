// Starting with the session on Windows: the Startup folder's shortcut is
// written, found again by its target and working directory, and removed; a
// shortcut to another program or folder, or a file that is no shortcut, is
// not this program's and is never deleted.
#include "desktop/win32/autostart.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "win32testing.h"

namespace orvanel::win32 {
namespace {

namespace fs = std::filesystem;
using win32test::ProgramDirectory;
using win32test::ReadFileBytes;
using win32test::ScratchDir;

class AutostartWin32 : public ::testing::Test {
protected:
    fs::path Make(const std::wstring& name) {
        fs::path path = dir_.Path() / name;
        fs::create_directories(path);
        return path;
    }
    ScratchDir dir_;
    fs::path shortcut_ = dir_.Path() / kShortcutName;
    fs::path program_ = RunningProgram();
};

TEST_F(AutostartWin32, WrittenFoundAndRemoved) {
    const fs::path data = Make(L"My Week (2)");
    EXPECT_FALSE(AutostartEnabled(shortcut_, program_, data));
    ASSERT_EQ(SetAutostart(true, shortcut_, program_, data), "");
    EXPECT_TRUE(fs::exists(shortcut_));
    EXPECT_TRUE(AutostartEnabled(shortcut_, program_, data));
    // The same folder and program written another way.
    std::wstring upper = data.wstring() + L"\\";
    for (wchar_t& c : upper) {
        c = static_cast<wchar_t>(::towupper(c));
    }
    EXPECT_TRUE(AutostartEnabled(shortcut_, program_.parent_path() / L"." / program_.filename(),
                                 fs::path(upper)));
    // Not for another folder or another program; those leave it in place.
    const fs::path other = Make(L"other");
    EXPECT_FALSE(AutostartEnabled(shortcut_, program_, other));
    EXPECT_FALSE(AutostartEnabled(shortcut_, ProgramDirectory() / L"cwdprobe_win32.exe", data));
    EXPECT_EQ(SetAutostart(false, shortcut_, program_, other), "");
    EXPECT_TRUE(fs::exists(shortcut_));

    ASSERT_EQ(SetAutostart(false, shortcut_, program_, data), "");
    EXPECT_FALSE(fs::exists(shortcut_));
    EXPECT_EQ(SetAutostart(false, shortcut_, program_, data), ""); // nothing to delete
}

TEST_F(AutostartWin32, AFileThatIsNoShortcutIsLeftAloneUntilTurnedOn) {
    const fs::path data = Make(L"week");
    std::ofstream(shortcut_, std::ios::binary) << "not a shortcut";
    EXPECT_FALSE(AutostartEnabled(shortcut_, program_, data));
    EXPECT_EQ(SetAutostart(false, shortcut_, program_, data), "");
    EXPECT_EQ(ReadFileBytes(shortcut_), "not a shortcut");
    EXPECT_EQ(SetAutostart(true, shortcut_, program_, data), "");
    EXPECT_TRUE(AutostartEnabled(shortcut_, program_, data));
}

TEST_F(AutostartWin32, FailuresAreReported) {
    const fs::path data = Make(L"week");
    const std::string message =
        SetAutostart(true, dir_.Path() / L"missing" / kShortcutName, program_, data);
    EXPECT_EQ(message.rfind("Cannot create file ", 0), 0U) << message;
    EXPECT_NE(SetAutostart(true, shortcut_, program_, dir_.Path() / L"gone"), "");
    EXPECT_FALSE(fs::exists(shortcut_));
}

TEST_F(AutostartWin32, TheUsersShortcutIsInTheStartupFolder) {
    const fs::path shortcut = StartupShortcut();
    ASSERT_FALSE(shortcut.empty());
    EXPECT_EQ(shortcut.filename(), fs::path(kShortcutName));
    EXPECT_TRUE(fs::is_directory(shortcut.parent_path()));
    if (fs::exists(shortcut)) {
        GTEST_SKIP() << "the user's own shortcut is not touched";
    }
    const fs::path data = Make(L"week");
    ASSERT_EQ(SetAutostart(true, data), "");
    EXPECT_TRUE(AutostartEnabled(data));
    EXPECT_TRUE(AutostartEnabled(shortcut, program_, data));
    EXPECT_EQ(SetAutostart(false, data), "");
    EXPECT_FALSE(fs::exists(shortcut));
}

} // namespace
} // namespace orvanel::win32
