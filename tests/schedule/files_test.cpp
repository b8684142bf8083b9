// Whole-file reads and all-or-nothing replacement on the real file system.
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "schedule/faultyfiles.h"
#include "schedule/files.h"
#include "support/tempdir.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace orvanel {
namespace {

namespace fs = std::filesystem;
using Result = ScheduleFiles::ReadResult;

class FilesTest : public testing::Test {
protected:
    test::TempDir dir;
    ScheduleFiles files;
    std::string content = "stale";
};

TEST_F(FilesTest, ReadsEveryByte) {
    std::string bytes;
    for (int i = 0; i < 70000; ++i) {
        bytes += static_cast<char>(i % 256);
    }
    test::WriteBytes(dir / "a.ini", bytes);
    EXPECT_EQ(files.ReadWhole(dir / "a.ini", content).result, Result::Ok);
    EXPECT_EQ(content, bytes);
    test::WriteBytes(dir / "empty.ini", "");
    EXPECT_EQ(files.ReadWhole(dir / "empty.ini", content).result, Result::Ok);
    EXPECT_EQ(content, "");
}

// The new bytes are on the disk before the name points at them, and the
// name is on the disk before the save is done.
TEST_F(FilesTest, ReplacementFlushesFileThenNameInOrder) {
    test::FaultyFiles watched;
    const fs::path sub = dir / "week";
    fs::create_directory(sub);
    ASSERT_TRUE(watched.ReplaceWhole(sub / "a.ini", "new"));
    EXPECT_EQ(watched.calls, (std::vector<std::string>{"write", "sync file", "close", "rename",
                                                       "sync directory week"}));
    EXPECT_EQ(test::ReadBytes(sub / "a.ini"), "new");
}

TEST_F(FilesTest, WhatIsNotAFileIsMissing) {
    EXPECT_EQ(files.ReadWhole(dir / "none.ini", content).result, Result::Missing);
    EXPECT_EQ(content, "");
    fs::create_directory(dir / "dir.ini");
    EXPECT_EQ(files.ReadWhole(dir / "dir.ini", content).result, Result::Missing);
}

#ifndef _WIN32
TEST_F(FilesTest, FifoAndDanglingLinkAreMissing) {
    // A FIFO of that name neither hangs the program nor counts as a file.
    ASSERT_EQ(::mkfifo((dir / "fifo.ini").c_str(), 0644), 0);
    EXPECT_EQ(files.ReadWhole(dir / "fifo.ini", content).result, Result::Missing);
    fs::create_symlink(dir / "nowhere", dir / "dangling.ini");
    EXPECT_EQ(files.ReadWhole(dir / "dangling.ini", content).result, Result::Missing);
}
#endif

TEST_F(FilesTest, ReplaceCreatesAndReplaces) {
    ASSERT_TRUE(files.ReplaceWhole(dir / "a.ini", "new\r\n"));
    EXPECT_EQ(test::ReadBytes(dir / "a.ini"), "new\r\n");
    ASSERT_TRUE(files.ReplaceWhole(dir / "a.ini", ""));
    EXPECT_EQ(test::ReadBytes(dir / "a.ini"), "");
    EXPECT_EQ(test::ListDirectory(dir.Path()), "a.ini");
}

TEST_F(FilesTest, ReplaceRefusesADirectory) {
    fs::create_directory(dir / "a.ini");
    test::WriteBytes(dir / "a.ini" / "inside", "x");
    EXPECT_FALSE(files.ReplaceWhole(dir / "a.ini", "new"));
    EXPECT_EQ(test::ReadBytes(dir / "a.ini" / "inside"), "x");
    EXPECT_EQ(test::ListDirectory(dir.Path()), "a.ini");
}

TEST_F(FilesTest, ReplaceFailsInMissingDirectory) {
    EXPECT_FALSE(files.ReplaceWhole(dir / "no" / "a.ini", "new"));
}

#ifndef _WIN32
TEST_F(FilesTest, ReplaceKeepsPermissionBits) {
    test::WriteBytes(dir / "a.ini", "old");
    fs::permissions(dir / "a.ini",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(files.ReplaceWhole(dir / "a.ini", "new"));
    EXPECT_EQ(fs::status(dir / "a.ini").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(FilesTest, ReplaceKeepsSymbolicLink) {
    fs::create_directory(dir / "real");
    test::WriteBytes(dir / "real" / "a.ini", "old");
    fs::create_symlink(fs::path("real") / "a.ini", dir / "a.ini");
    ASSERT_TRUE(files.ReplaceWhole(dir / "a.ini", "new"));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir / "a.ini")));
    EXPECT_EQ(test::ReadBytes(dir / "real" / "a.ini"), "new");
    EXPECT_EQ(test::ListDirectory(dir / "real"), "a.ini");
}

TEST_F(FilesTest, ReplaceRefusesFileWithoutWritePermission) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not stop root: schedule_permissions runs this as uid 65534";
    }
    test::WriteBytes(dir / "a.ini", "old");
    fs::permissions(dir / "a.ini", fs::perms::owner_read);
    EXPECT_FALSE(files.ReplaceWhole(dir / "a.ini", "new"));
    EXPECT_EQ(test::ReadBytes(dir / "a.ini"), "old");
}

TEST_F(FilesTest, UnreadableWithoutPermission) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not stop root: schedule_permissions runs this as uid 65534";
    }
    test::WriteBytes(dir / "a.ini", "old");
    fs::permissions(dir / "a.ini", fs::perms::none);
    EXPECT_EQ(files.ReadWhole(dir / "a.ini", content).result, Result::Failed);
}
#endif

#ifdef _WIN32
// Another program holds the file open without sharing it.
TEST_F(FilesTest, FileLockedByAnotherProgram) {
    test::WriteBytes(dir / "a.ini", "old");
    HANDLE locked = ::CreateFileW((dir / "a.ini").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    EXPECT_EQ(files.ReadWhole(dir / "a.ini", content).result, Result::Failed);
    EXPECT_FALSE(files.ReplaceWhole(dir / "a.ini", "new"));
    ::CloseHandle(locked);
    EXPECT_EQ(test::ReadBytes(dir / "a.ini"), "old");
    EXPECT_EQ(test::ListDirectory(dir.Path()), "a.ini");
}
#endif

} // namespace
} // namespace orvanel
