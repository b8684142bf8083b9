// Schedule files rewritten by another program while the window runs: taken
// in before each tick and at every activation.
#include <cstdint>
#include <string>

#include "formtest.h"

namespace orvanel::test {
namespace {

// The status line's latest text, or "" when none was set.
std::string LastStatus(const FakeView& view) {
    return view.statusTexts.empty() ? std::string() : view.statusTexts.back();
}

TEST_F(FormTest, ExternalWriteToTodaysFileRunsAtTheNextTick) {
    MainForm& form = Start(); // Monday 07:00:30
    Write("monlist.ini", "app.exe||7|1|\r\n");
    desktop_.Advance(60'000);
    form.Timer1Timer();
    EXPECT_NE(desktop_.Record().find("shell open app.exe"), std::string::npos);
    EXPECT_EQ(CellOf(0, 1, 0), "app.exe");
    EXPECT_NE(LastStatus(*view_).find("monlist.ini"), std::string::npos);
}

TEST_F(FormTest, UnsavedEditsStayAndTheStatusSaysSaveWouldOverwrite) {
    MainForm& form = Start();
    form.FormActivate();
    Type(0, 1, 4, "typed here");
    Write("monlist.ini", "new.exe||9|0|\r\n");
    Write("schedule.ini", "Script Delay (mSecs):\r\n900\r\n");
    form.FormActivate(); // every activation looks, not only the first
    EXPECT_EQ(CellOf(0, 1, 4), "typed here");
    EXPECT_EQ(view_->SpinText(), "900");
    EXPECT_EQ(form.Store().ScriptDelay(), "0");
    const std::string status = LastStatus(*view_);
    EXPECT_NE(status.find("changed on disk"), std::string::npos) << status;
    EXPECT_NE(status.find("\"Save Data\" asks before it overwrites monlist.ini"), std::string::npos)
        << status;
}

TEST_F(FormTest, OwnSaveIsNotAnExternalChange) {
    MainForm& form = Start();
    Type(2, 3, 0, "mine.exe");
    view_->SetSpinText("40");
    form.BitBtn2Click();
    form.FormActivate();
    form.Timer1Timer();
    EXPECT_TRUE(view_->statusTexts.empty()) << LastStatus(*view_);
}

TEST_F(FormTest, SaveAsksBeforeWritingOverAFileChangedOnDisk) {
    MainForm& form = Start();
    Type(0, 1, 0, "typed.exe");
    Write("monlist.ini", "other.exe||9|0|\r\n");
    form.BitBtn2Click(); // the answer is no
    ASSERT_EQ(view_->questions.size(), 1u);
    EXPECT_EQ(view_->questions[0].rfind("monlist.ini was changed on disk by another program", 0),
              0u)
        << view_->questions[0];
    EXPECT_NE(view_->questions[0].find("the Monday page has edits"), std::string::npos);
    EXPECT_EQ(Bytes("monlist.ini"), "other.exe||9|0|\r\n");
    EXPECT_EQ(CellOf(0, 1, 0), "typed.exe");
    EXPECT_NE(LastStatus(*view_).find("Not saved, as you answered: monlist.ini"), std::string::npos)
        << LastStatus(*view_);
    view_->answer = true;
    form.BitBtn2Click();
    EXPECT_EQ(Bytes("monlist.ini"), "typed.exe||||\r\n");
}

TEST_F(FormTest, AFileThatCannotBeReadGivesOneBoxNotOneAtEveryActivation) {
    Write("tuelist.ini", "t||||\r\n");
    files_.outOfMemory = {"tuelist.ini"};
    MainForm& form = Start();
    ASSERT_EQ(view_->boxes,
              std::vector<std::string>{"Cannot open file tuelist.ini: not enough memory."});
    view_->DismissBox();
    form.FormActivate();
    form.FormActivate();
    form.Timer1Timer();
    EXPECT_TRUE(view_->boxes.empty());
}

// A task's waits may let window events through; the running tick reads the
// day list, so nothing is reloaded under it.
TEST_F(FormTest, NoReloadWhileATaskRuns) {
    Write("monlist.ini", "app.exe||7|1|a\r\n");
    MainForm& form = Start();
    desktop_.onSleep = [&](std::uint32_t) {
        Write("monlist.ini", "");
        form.FormActivate();
    };
    desktop_.Advance(60'000);
    form.Timer1Timer();
    desktop_.onSleep = nullptr;
    EXPECT_EQ(form.Store().DayList(0).size(), 1u);
    form.FormActivate();
    EXPECT_EQ(form.Store().DayList(0).size(), 0u);
}

} // namespace
} // namespace orvanel::test
