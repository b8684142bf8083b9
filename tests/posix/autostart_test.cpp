// Starting with the session on Linux: the autostart entry is written (mode
// 0600, its folders 0700), found again and removed; an entry for another
// program or another folder, or one switched off, reads as not enabled and
// is never removed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>

#include "desktop/posix/autostart.h"
#include "support/tempdir.h"

namespace orvanel::posix {
namespace {

namespace fs = std::filesystem;

unsigned Mode(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777U : 0U;
}

class AutostartTest : public ::testing::Test {
protected:
    fs::path Make(const std::string& name) {
        fs::path path = dir_ / name;
        fs::create_directories(path);
        return path;
    }
    test::TempDir dir_;
    fs::path file_ = dir_ / "config" / "autostart" / kAutostartFileName;
};

TEST_F(AutostartTest, WrittenFoundAndRemovedWhateverThePathsHold) {
    for (const std::string name : {"plain", "with blank", " lead and trail ", "q\"uote", "$HOME`x`",
                                   "back\\slash", "semi;colon&'", "\xc3\xa9t\xc3\xa9"}) {
        SCOPED_TRACE(name);
        const fs::path program = Make("bin " + name) / ("run " + name);
        const fs::path data = Make("data " + name + " 100%");
        EXPECT_FALSE(AutostartEnabled(file_, program, data));
        ASSERT_EQ(SetAutostart(true, file_, program, data), "");
        EXPECT_TRUE(AutostartEnabled(file_, program, data)) << test::ReadBytes(file_);
        EXPECT_EQ(Mode(file_), 0600U);
        EXPECT_EQ(Mode(file_.parent_path()), 0700U);
        EXPECT_EQ(Mode(file_.parent_path().parent_path()), 0700U);
        // The same folder named another way is the same folder.
        EXPECT_TRUE(AutostartEnabled(file_, program, data / "." / ""));
        ASSERT_EQ(SetAutostart(false, file_, program, data), "");
        EXPECT_FALSE(fs::exists(file_));
        EXPECT_EQ(test::ListDirectory(file_.parent_path()), "");  // no temporary file left
        EXPECT_EQ(SetAutostart(false, file_, program, data), ""); // nothing to remove
    }
}

TEST_F(AutostartTest, AForeignOrSwitchedOffEntryIsNotEnabledAndNotRemoved) {
    const fs::path program = Make("bin") / "orvanel";
    const fs::path data = Make("week");
    const fs::path other = Make("other");
    const std::string exec = "Exec=" + program.string() + "\n";
    const std::string path = "Path=" + data.string() + "\n";
    const struct {
        const char* what;
        std::string text;
        bool enabled;
        bool ours; // removed when turned off
    } cases[] = {
        {"ours, unquoted, with odd spacing",
         "# note\n[Desktop Entry]\n Exec = " + program.string() + "\nPath= " + data.string() +
             "\r\n",
         true, true},
        {"ours, with arguments",
         "[Desktop Entry]\n" + path + "Exec=\"" + program.string() + "\" --x\n", true, true},
        {"hidden", "[Desktop Entry]\n" + exec + path + "Hidden=true\n", false, true},
        {"switched off", "[Desktop Entry]\n" + exec + path + "X-GNOME-Autostart-enabled=false\n",
         false, true},
        {"another program", "[Desktop Entry]\nExec=/usr/bin/orvanel\n" + path, false, false},
        {"a program found on PATH", "[Desktop Entry]\nExec=orvanel\n" + path, false, false},
        {"another folder", "[Desktop Entry]\n" + exec + "Path=" + other.string() + "\n", false,
         false},
        {"no folder", "[Desktop Entry]\n" + exec, false, false},
        {"in another group", "[Desktop Action x]\n" + exec + path, false, false},
        {"no entry at all",
         "\x7f"
         "ELF\x01\x02",
         false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::create_directories(file_.parent_path());
        test::WriteBytes(file_, c.text);
        EXPECT_EQ(AutostartEnabled(file_, program, data), c.enabled);
        EXPECT_EQ(SetAutostart(false, file_, program, data), "");
        EXPECT_EQ(fs::exists(file_), !c.ours);
        if (!c.ours) {
            EXPECT_EQ(test::ReadBytes(file_), c.text);
        }
        // Turning it on puts ours in its place.
        EXPECT_EQ(SetAutostart(true, file_, program, data), "");
        EXPECT_TRUE(AutostartEnabled(file_, program, data));
    }
}

TEST_F(AutostartTest, FailuresAreReportedAndLeaveNoFile) {
    const fs::path program = Make("bin") / "orvanel";
    const fs::path data = Make("week");
    // A path that a desktop entry cannot hold.
    EXPECT_NE(SetAutostart(true, file_, program, Make("line\nbreak")), "");
    EXPECT_NE(SetAutostart(true, file_, program, Make("latin\xe9")), "");
    EXPECT_NE(SetAutostart(true, file_, Make("100%") / "orvanel", data), "");
    EXPECT_FALSE(fs::exists(file_));
    // The autostart folder is taken by a file.
    fs::create_directories(file_.parent_path().parent_path());
    test::WriteBytes(file_.parent_path(), "");
    const std::string message = SetAutostart(true, file_, program, data);
    EXPECT_NE(message.find("Cannot create folder " + file_.parent_path().string()),
              std::string::npos)
        << message;
}

TEST_F(AutostartTest, TheUsersEntryNamesTheRunningProgram) {
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string before = saved != nullptr ? saved : "";
    ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    const fs::path data = Make("week");
    EXPECT_EQ(AutostartFile(), file_);
    EXPECT_EQ(SetAutostart(true, data), "");
    EXPECT_TRUE(AutostartEnabled(data));
    EXPECT_TRUE(AutostartEnabled(file_, RunningProgram(), data));
    EXPECT_EQ(SetAutostart(false, data), "");
    EXPECT_FALSE(fs::exists(file_));
    // A relative XDG_CONFIG_HOME is not used.
    ::setenv("XDG_CONFIG_HOME", "config", 1);
    EXPECT_TRUE(AutostartFile().is_absolute());
    if (saved != nullptr) {
        ::setenv("XDG_CONFIG_HOME", before.c_str(), 1);
    } else {
        ::unsetenv("XDG_CONFIG_HOME");
    }
}

} // namespace
} // namespace orvanel::posix
