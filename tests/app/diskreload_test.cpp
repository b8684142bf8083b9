// Schedule files rewritten by another program while the window runs: taken
// in before each tick and at every activation.
#include <cstdint>
#include <string>
#include <vector>

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
    EXPECT_NE(desktop_.Record().find("shell open app.exe"), std::string::npos) << desktop_.Record();
    EXPECT_EQ(CellOf(0, 1, 0), "app.exe");
    EXPECT_NE(LastStatus(*view_).find("monlist.ini"), std::string::npos);
    EXPECT_TRUE(view_->boxes.empty());
}

TEST_F(FormTest, UnsavedEditsStayAndTheStatusSaysSaveWouldOverwrite) {
    Write("monlist.ini", "old.exe||9|0|\r\n");
    MainForm& form = Start();
    Type(0, 1, 4, "typed here");
    Write("monlist.ini", "new.exe||9|0|\r\n");
    form.FormActivate();
    EXPECT_EQ(form.Store().DayList(0), std::vector<std::string>{"new.exe||9|0|"});
    EXPECT_EQ(CellOf(0, 1, 0), "old.exe");
    EXPECT_EQ(CellOf(0, 1, 4), "typed here");
    const std::string status = LastStatus(*view_);
    EXPECT_NE(status.find("changed on disk"), std::string::npos) << status;
    EXPECT_NE(status.find("\"Save Data\" would overwrite monlist.ini"), std::string::npos)
        << status;
    // Every activation looks, not only the first; a second look finds nothing new.
    const std::size_t texts = view_->statusTexts.size();
    form.FormActivate();
    EXPECT_EQ(view_->statusTexts.size(), texts);
}

TEST_F(FormTest, OwnSaveIsNotAnExternalChange) {
    MainForm& form = Start();
    form.FormActivate();
    Type(2, 3, 0, "mine.exe");
    view_->SetSpinText("40");
    form.BitBtn2Click();
    form.FormActivate();
    desktop_.Advance(60'000);
    form.Timer1Timer();
    EXPECT_TRUE(view_->statusTexts.empty()) << LastStatus(*view_);
}

TEST_F(FormTest, ExternalSettingsWriteLeavesTheDelayInUse) {
    Write("schedule.ini", "Script Delay (mSecs):\r\n20\r\n");
    MainForm& form = Start();
    Write("schedule.ini", "Script Delay (mSecs):\r\n900\r\n");
    form.FormActivate();
    EXPECT_EQ(form.Store().ScriptDelay(), "20");
    EXPECT_EQ(view_->SpinText(), "900");
    EXPECT_NE(LastStatus(*view_).find("next start"), std::string::npos) << LastStatus(*view_);
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
    EXPECT_TRUE(view_->boxes.empty());
}

} // namespace
} // namespace orvanel::test
