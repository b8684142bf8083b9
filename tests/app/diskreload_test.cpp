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
    EXPECT_NE(status.find("\"Save Data\" would overwrite monlist.ini"), std::string::npos)
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
