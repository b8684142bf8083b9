// The error box: shown after the handler, one at a time, never twice while
// open; and the minute tick at start-up.
#include <filesystem>
#include <string>
#include <vector>

#include "formtest.h"

namespace orvanel::test {
namespace {

namespace fs = std::filesystem;
using Boxes = std::vector<std::string>;

TEST_F(FormTest, FailedSaveIsReportedOnceWhileOpenAndAgainAfterDismissal) {
    fs::create_directory(dir_ / "monlist.ini");
    MainForm& form = Start();
    EXPECT_TRUE(view_->boxes.empty()); // a directory counts as a missing day file
    Type(0, 1, 0, "notepad");
    Type(1, 1, 0, "tuesday");
    form.BitBtn2Click();
    form.BitBtn2Click();
    EXPECT_EQ(view_->boxes, Boxes{"Cannot create file monlist.ini."});
    EXPECT_EQ(CellOf(0, 1, 0), "notepad"); // the grids keep what was typed
    view_->DismissBox();
    form.BitBtn2Click();
    EXPECT_EQ(view_->boxes, Boxes{"Cannot create file monlist.ini."});
    view_->DismissBox();

    fs::remove(dir_ / "monlist.ini");
    form.BitBtn2Click();
    EXPECT_TRUE(view_->boxes.empty());
    EXPECT_EQ(Bytes("monlist.ini"), "notepad||||\r\n");
    EXPECT_EQ(Bytes("tuelist.ini"), "tuesday||||\r\n");
    EXPECT_EQ(view_->nestedBoxes, 0);
}

TEST_F(FormTest, MalformedHourIsReportedOnceWhileTicksGoOn) {
    Write("monlist.ini", "prog|title|x|5|\r\n");
    MainForm& form = Start();
    for (int tick = 0; tick < 2; ++tick) {
        desktop_.Advance(60'000);
        form.Timer1Timer();
        EXPECT_EQ(view_->date, Now());
    }
    EXPECT_EQ(view_->boxes, Boxes{"'x' is not a valid integer value."});
    EXPECT_EQ(form.ReportedErrors(), view_->boxes);
}

TEST_F(FormTest, BoxesOpenAfterTheOutermostHandlerAndNeverInsideAnother) {
    // A task that waits lets a click through (a save that fails); the box of
    // a modal view runs its own events (the "Test" button, which fails too).
    Write("monlist.ini", "app|Window|7|1|a\r\n");
    fs::create_directory(dir_ / "tuelist.ini");
    MainForm& form = Start();
    desktop_.onSleep = [&](std::uint32_t) {
        desktop_.onSleep = nullptr;
        form.BitBtn2Click();
        EXPECT_TRUE(view_->boxes.empty());
    };
    view_->whileBoxOpens = [&] {
        if (view_->boxes.size() == 1) {
            form.BitBtn1Click();
            EXPECT_EQ(view_->boxes.size(), 1u);
        }
    };
    desktop_.SetLocalTime(2026, 1, 5, 7, 1, 10);
    form.Timer1Timer();
    EXPECT_EQ(view_->boxes,
              (Boxes{"Cannot create file tuelist.ini.", "List index out of bounds."}));
    EXPECT_EQ(view_->nestedBoxes, 0);
}

// Reading a file takes a while.
class SlowFiles : public ScheduleFiles {
public:
    explicit SlowFiles(RecordingDesktop& desktop) : desktop_(desktop) {}
    Read ReadWhole(const std::filesystem::path& path, std::string& content,
                   std::uint64_t limit) override {
        desktop_.Advance(400);
        return ScheduleFiles::ReadWhole(path, content, limit);
    }

private:
    RecordingDesktop& desktop_;
};

TEST_F(FormTest, MinuteThatBeginsWhileTheFilesAreReadIsExamined) {
    // The program starts a moment before 07:01, and reading the files takes
    // it past the minute: the task of 07:01 runs at the first tick.
    Write("monlist.ini", "app.exe|Editor|7|1|x\r\n");
    desktop_.SetLocalTime(2026, 1, 5, 7, 0, 59);
    SlowFiles files(desktop_);
    FakeView view;
    std::int64_t timerStart = 0;
    view.onStartTimer = [&] { timerStart = desktop_.Now(); };
    MainForm form(view, desktop_, dir_.Path(), files);
    form.FormCreate();
    ASSERT_GT(desktop_.Now(), RecordingDesktop::LocalToEpoch(2026, 1, 5, 7, 1));
    desktop_.SetNow(timerStart + 60'000);
    form.Timer1Timer();
    EXPECT_NE(desktop_.Record().find("find Editor"), std::string::npos) << desktop_.Record();
}

TEST_F(FormTest, EveryStartUpFailureIsShownInOneBox) {
    Write("schedule.ini", "Script Delay (mSecs):\r\n250\r\n");
    Write("tuelist.ini", "t||||\r\n");
    files_.unreadable = {"schedule.ini", "tuelist.ini"};
    Write("wedlist.ini", "w||||\r\n");
    MainForm& form = Start();
    EXPECT_EQ(view_->boxes, Boxes{"Cannot open file schedule.ini.\nCannot open file tuelist.ini."});
    EXPECT_EQ(CellOf(2, 1, 0), "w");
    EXPECT_EQ(view_->manualCaption, "Documentation");
    EXPECT_EQ(view_->timerInterval, 60000u);
    EXPECT_TRUE(form.Store().HasLists());
}

} // namespace
} // namespace orvanel::test
