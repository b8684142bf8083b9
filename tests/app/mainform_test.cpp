// The handlers of the main window on a fake view: start-up, activation,
// saving, the "Test" button, the links and the close.
#include <filesystem>
#include <string>
#include <vector>

#include "app/windowtexts.h"
#include "formtest.h"

namespace orvanel::test {
namespace {

namespace fs = std::filesystem;

const std::string kDefaultSettings = "Script Delay (mSecs):\r\n0\r\n";

TEST_F(FormTest, FirstStartInAnEmptyDirectory) {
    MainForm& form = Start();
    EXPECT_EQ(Bytes("schedule.ini"), kDefaultSettings);
    EXPECT_EQ(view_->SpinText(), "0");
    EXPECT_EQ(view_->manualCaption, "Documentation");
    EXPECT_EQ(view_->timerInterval, 60000u);
    for (int day = 0; day < kDayCount; ++day) {
        for (int column = 0; column < kGridColumns; ++column) {
            const auto c = static_cast<std::size_t>(column);
            EXPECT_EQ(CellOf(day, 0, column), kColumnCaptions[c]);
            EXPECT_EQ(view_->widths[static_cast<std::size_t>(day)][c], kColumnWidths[c]);
            for (int row = 1; row <= kTaskRows; ++row) {
                EXPECT_EQ(CellOf(day, row, column), "");
            }
        }
        EXPECT_FALSE(fs::exists(dir_ / kDayFileNames[static_cast<std::size_t>(day)]));
    }
    EXPECT_TRUE(view_->boxes.empty());
    // The date label stays empty until the first activation.
    EXPECT_TRUE(form.FirstActivation());
    EXPECT_EQ(view_->date, "");
}

TEST_F(FormTest, FirstActivationFillsTheDateLabelOnce) {
    LocaleInfo locale;
    locale.shortDateFormat = "dd.MM.yyyy";
    locale.longTimeFormat = "HH:mm:ss";
    desktop_.SetLocaleInfo(locale);
    MainForm& form = Start();
    form.FormActivate();
    EXPECT_FALSE(form.FirstActivation());
    EXPECT_EQ(view_->date, "05.01.2026 07:00:30");
    // Returning to the window later changes nothing; the minute tick does.
    desktop_.Advance(90'000);
    form.FormActivate();
    EXPECT_EQ(view_->date, "05.01.2026 07:00:30");
    form.Timer1Timer();
    EXPECT_EQ(view_->date, "05.01.2026 07:02:00");
}

TEST_F(FormTest, SavedGridIsWrittenToTheDayFilesAndPacked) {
    MainForm& form = Start();
    Type(0, 2, 0, "notepad");
    Type(0, 2, 1, "Untitled - Notepad");
    Type(0, 2, 4, "Hello;{ENTER}");
    Type(0, 5, 0, "calc");
    Type(0, 7, 1, "no EXE name: not saved");
    Type(6, 24, 0, "last");
    view_->SetSpinText("250");
    form.BitBtn2Click();
    EXPECT_EQ(Bytes("monlist.ini"), "notepad|Untitled - Notepad|||Hello;{ENTER}\r\ncalc||||\r\n");
    EXPECT_EQ(Bytes("sunlist.ini"), "last||||\r\n");
    EXPECT_EQ(Bytes("tuelist.ini"), "");
    EXPECT_EQ(Bytes("schedule.ini"), "Script Delay (mSecs):\r\n250\r\n");
    EXPECT_EQ(CellOf(0, 1, 0), "notepad");
    EXPECT_EQ(CellOf(0, 2, 0), "calc");
    EXPECT_EQ(CellOf(0, 5, 0), "");
    EXPECT_EQ(CellOf(0, 7, 1), "");
    EXPECT_EQ(CellOf(6, 1, 0), "last");
    EXPECT_EQ(form.Store().DayList(0).size(), 2u);
    // The delay in use stays until the next start.
    EXPECT_EQ(form.Store().ScriptDelay(), "0");
    EXPECT_EQ(Start().Store().ScriptDelay(), "250");
    EXPECT_EQ(view_->SpinText(), "250");
    EXPECT_TRUE(view_->boxes.empty());
}

TEST_F(FormTest, CloseStopsTheTimerFreesTheListsAndSavesNothing) {
    Write("tuelist.ini", "kept||||\r\n");
    Write("schedule.ini", "Script Delay (mSecs):\r\nabc\r\nextra line\r\n");
    MainForm& form = Start();
    EXPECT_EQ(view_->SpinText(), "abc");
    Type(1, 1, 0, "changed");
    Type(2, 1, 0, "added");
    view_->SetSpinText("500");
    form.FormClose();
    EXPECT_EQ(view_->timerInterval, 0u);
    EXPECT_FALSE(form.Store().HasLists());
    EXPECT_TRUE(view_->boxes.empty());
    EXPECT_EQ(Bytes("tuelist.ini"), "kept||||\r\n");
    EXPECT_FALSE(fs::exists(dir_ / "wedlist.ini"));
    EXPECT_EQ(Bytes("schedule.ini"), "Script Delay (mSecs):\r\nabc\r\nextra line\r\n");
    Start();
    EXPECT_EQ(CellOf(1, 1, 0), "kept");
    EXPECT_EQ(view_->SpinText(), "abc");
}

TEST_F(FormTest, DayFileIsShownInTheGrid) {
    Write("thulist.ini", "a|b|c\nx|y|1|2|s1;s2|extra\n\nlast|t|3|4|k\n");
    MainForm& form = Start();
    EXPECT_EQ(CellOf(3, 1, 2), "c");
    EXPECT_EQ(CellOf(3, 1, 3), "");
    EXPECT_EQ(CellOf(3, 2, 4), "s1;s2");
    EXPECT_EQ(CellOf(3, 3, 0), "");
    EXPECT_EQ(CellOf(3, 4, 0), "last");
    form.BitBtn2Click();
    EXPECT_EQ(Bytes("thulist.ini"), "a|b|c||\r\nx|y|1|2|s1;s2\r\nlast|t|3|4|k\r\n");
}

TEST_F(FormTest, TestButtonRunsTheFirstTuesdayLine) {
    MainForm& form = Start();
    form.BitBtn1Click();
    EXPECT_EQ(view_->boxes, std::vector<std::string>{"List index out of bounds."});

    Write("tuelist.ini", "C:\\Tools\\app.exe||9|0|\r\nsecond||9|0|\r\n");
    Start().BitBtn1Click();
    EXPECT_TRUE(view_->boxes.empty());
    const std::string record = desktop_.Record();
    EXPECT_NE(record.find("shell open app.exe C:\\Tools\\"), std::string::npos) << record;
    EXPECT_EQ(record.find("second"), std::string::npos) << record;
}

TEST_F(FormTest, LinksOpenTheirTargetsAndChangeColourUnderThePointer) {
    MainForm& form = Start();
    desktop_.ClearRecord();
    form.Label10Click();
    form.Label9Click();
    EXPECT_EQ(desktop_.Record(),
              std::string("shell open schedule.html\nshell open ") + kVendorAddress + "\n");
    struct Move {
        void (MainForm::*handler)();
        LinkColour site;
        LinkColour manual;
    };
    const LinkColour blue = LinkColour::Blue;
    const LinkColour red = LinkColour::Red;
    const std::vector<Move> moves = {
        {&MainForm::Label9MouseMove, red, blue},     {&MainForm::Label10MouseMove, red, red},
        {&MainForm::Label5MouseMove, blue, blue},    {&MainForm::Label10MouseMove, blue, red},
        {&MainForm::TabSheet1MouseMove, blue, blue},
    };
    for (std::size_t i = 0; i < moves.size(); ++i) {
        (form.*moves[i].handler)();
        EXPECT_EQ(view_->siteColour, moves[i].site) << i;
        EXPECT_EQ(view_->manualColour, moves[i].manual) << i;
    }
    EXPECT_TRUE(view_->boxes.empty());
}

} // namespace
} // namespace orvanel::test
