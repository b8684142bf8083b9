// The store taking in files that another program rewrote while it runs, and
// the modes of the files it creates.
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "schedule/faultyfiles.h"
#include "schedule/store.h"
#include "support/tempdir.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace orvanel {
namespace {

using Names = std::vector<std::string>;
using Lines = std::vector<std::string>;
constexpr int kMonday = 0;

class StoreReloadTest : public testing::Test {
protected:
    void SetUp() override {
        Write("schedule.ini", "Script Delay (mSecs):\r\n50\r\n");
        Write("monlist.ini", "a.exe|A|7|5|x\r\n");
        store.StartUp();
    }
    void Write(const std::string& name, const std::string& bytes) {
        test::WriteBytes(dir / name, bytes);
    }

    test::TempDir dir;
    MemoryScheduleView view;
    test::FaultyFiles files;
    ScheduleStore store{view, dir.Path(), files};
};

TEST_F(StoreReloadTest, ExternalWriteBecomesTheListAndTheRows) {
    EXPECT_FALSE(store.ReloadChangedFiles().Any());
    Write("monlist.ini", "b.exe|B|8|6|y\r\nc.exe|C|9|7|z\r\n");
    Write("sunlist.ini", "d.exe|D|1|2|w\r\n"); // a file that appears
    const DiskChanges changes = store.ReloadChangedFiles();
    EXPECT_EQ(changes.changed, (Names{"monlist.ini", "sunlist.ini"}));
    EXPECT_TRUE(changes.kept.empty() && changes.removed.empty());
    EXPECT_EQ(store.DayList(kMonday), (Lines{"b.exe|B|8|6|y", "c.exe|C|9|7|z"}));
    EXPECT_EQ(view.Cell(kMonday, 1, 2), "C");
    EXPECT_EQ(view.Cell(6, 0, 1), "d.exe");
    EXPECT_FALSE(store.HasUnsavedRows(kMonday));
    EXPECT_FALSE(store.ReloadChangedFiles().Any()) << "the same change seen twice";
}

TEST_F(StoreReloadTest, UnsavedEditsStayOnScreen) {
    view.SetCell(kMonday, 4, 1, "edited");
    view.SetSpinText("90");
    Write("monlist.ini", "b.exe|B|8|6|y\r\n");
    Write("schedule.ini", "Script Delay (mSecs):\r\n250\r\nmore\r\n");
    const DiskChanges changes = store.ReloadChangedFiles();
    EXPECT_EQ(changes.kept, (Names{"monlist.ini", "schedule.ini"}));
    EXPECT_EQ(store.DayList(kMonday), (Lines{"b.exe|B|8|6|y"})); // due tasks follow the file
    EXPECT_EQ(view.Cell(kMonday, 0, 1), "a.exe");
    EXPECT_EQ(view.Cell(kMonday, 4, 1), "edited");
    EXPECT_EQ(view.SpinText(), "90");
    EXPECT_EQ(store.SettingsList(), (Lines{"Script Delay (mSecs):", "250", "more"}));
    EXPECT_EQ(store.ScriptDelay(), "50");
}

TEST_F(StoreReloadTest, RemovedDayFileStopsItsTasksButKeepsItsRows) {
    std::filesystem::remove(dir / "monlist.ini");
    std::filesystem::remove(dir / "schedule.ini");
    const DiskChanges changes = store.ReloadChangedFiles();
    EXPECT_EQ(changes.removed, (Names{"monlist.ini", "schedule.ini"}));
    EXPECT_TRUE(store.DayList(kMonday).empty());
    EXPECT_EQ(view.Cell(kMonday, 0, 1), "a.exe");
    EXPECT_EQ(store.SettingsList().at(1), "50");
    store.Save(); // writes back what the window shows
    EXPECT_EQ(test::ReadBytes(dir / "monlist.ini"), "a.exe|A|7|5|x\r\n");
}

// Nothing is blanked by a file that cannot be read; a held day is taken in
// once it can be read.
TEST_F(StoreReloadTest, FileThatCannotBeReadIsLookedAtAgainLater) {
    files.unreadable = {"monlist.ini"};
    EXPECT_FALSE(store.ReloadChangedFiles().Any());
    EXPECT_EQ(store.DayList(kMonday), (Lines{"a.exe|A|7|5|x"}));
    EXPECT_THROW(store.StartUp(), Error);
    EXPECT_TRUE(store.IsDayHeld(kMonday));
    files.unreadable.clear();
    EXPECT_EQ(store.ReloadChangedFiles().changed, (Names{"monlist.ini"}));
    EXPECT_FALSE(store.IsDayHeld(kMonday));
    EXPECT_EQ(store.DayList(kMonday), (Lines{"a.exe|A|7|5|x"}));
}

#ifndef _WIN32
mode_t ModeOf(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

// Scripts may hold passwords: what the store creates is its owner's only,
// whatever the umask; what exists keeps its mode through every save.
TEST(StoreModeTest, NewFilesArePrivateAndExistingOnesKeepTheirMode) {
    const mode_t oldMask = ::umask(022);
    test::TempDir dir;
    test::WriteBytes(dir / "tuelist.ini", "t.exe|T|1|2|\r\n");
    ASSERT_EQ(::chmod((dir / "tuelist.ini").c_str(), 0644), 0);
    MemoryScheduleView view;
    ScheduleStore store(view, dir.Path());
    store.StartUp();
    EXPECT_EQ(ModeOf(dir / "schedule.ini"), 0600u);
    store.Save();
    store.Save();
    ::umask(oldMask);
    EXPECT_EQ(ModeOf(dir / "schedule.ini"), 0600u);
    EXPECT_EQ(ModeOf(dir / "monlist.ini"), 0600u);
    EXPECT_EQ(ModeOf(dir / "tuelist.ini"), 0644u);
}
#endif

} // namespace
} // namespace orvanel
