// Start-up, saving and closing, driven through the window's own widgets.
#include <QMessageBox>
#include <filesystem>

#include "fixture.h"
#include "ui/qcp1252.h"

namespace orvanel::test {
namespace {

namespace fs = std::filesystem;

const std::string kDefaultSettings = std::string("Script Delay (mSecs):\r\n0\r\n");

TEST_F(UiTest, FirstStartInAnEmptyDirectory) {
    Tdc& w = Start();
    EXPECT_EQ(kDefaultSettings.size(), 26u);
    EXPECT_EQ(Bytes("schedule.ini"), kDefaultSettings);
    EXPECT_EQ(w.spin1->text(), QStringLiteral("0"));
    for (QTableWidget* grid : w.DayGrids()) {
        for (int row = 1; row <= kTaskRows; ++row) {
            for (int column = 0; column < kGridColumns; ++column) {
                EXPECT_EQ(CellText(grid, row, column), QString())
                    << ToStd(grid->objectName()) << " row " << row << " column " << column;
            }
        }
    }
    for (const char* name : kDayFileNames) {
        EXPECT_FALSE(fs::exists(File(name))) << name;
    }
    EXPECT_TRUE(OpenErrorTexts().isEmpty());
}

TEST_F(UiTest, SavedGridIsWrittenToTheDayFilesAndPacked) {
    Tdc& w = Start();
    TypeCell(w.mongrid, 2, 0, QStringLiteral("notepad"));
    TypeCell(w.mongrid, 2, 1, QStringLiteral("Untitled - Notepad"));
    TypeCell(w.mongrid, 2, 2, QStringLiteral("7"));
    TypeCell(w.mongrid, 2, 3, QStringLiteral("5"));
    TypeCell(w.mongrid, 2, 4, QStringLiteral("Hello;{ENTER}"));
    TypeCell(w.mongrid, 5, 0, QStringLiteral("calc"));
    // A row with an empty EXE name is not saved.
    TypeCell(w.mongrid, 7, 1, QStringLiteral("Some Title"));
    TypeCell(w.sungrid, 24, 0, QStringLiteral("last"));
    ClickSave();

    EXPECT_EQ(Bytes("monlist.ini"), "notepad|Untitled - Notepad|7|5|Hello;{ENTER}\r\ncalc||||\r\n");
    EXPECT_EQ(Bytes("sunlist.ini"), "last||||\r\n");
    for (const char* name :
         {"tuelist.ini", "wedlist.ini", "thulist.ini", "frilist.ini", "satlist.ini"}) {
        EXPECT_EQ(Bytes(name), "") << name;
    }
    EXPECT_EQ(Bytes("schedule.ini"), kDefaultSettings);

    // The grid shows the saved rows packed from row 1.
    EXPECT_EQ(CellText(w.mongrid, 1, 0), QStringLiteral("notepad"));
    EXPECT_EQ(CellText(w.mongrid, 1, 4), QStringLiteral("Hello;{ENTER}"));
    EXPECT_EQ(CellText(w.mongrid, 2, 0), QStringLiteral("calc"));
    EXPECT_EQ(CellText(w.mongrid, 5, 0), QString());
    EXPECT_EQ(CellText(w.mongrid, 7, 1), QString());
    EXPECT_EQ(CellText(w.sungrid, 1, 0), QStringLiteral("last"));
    EXPECT_EQ(CellText(w.sungrid, 24, 0), QString());
    // The day lists hold what the files hold.
    EXPECT_EQ(w.Store().DayList(0).size(), 2u);
    EXPECT_TRUE(OpenErrorTexts().isEmpty());
}

TEST_F(UiTest, UnsavedEditIsLostAtClose) {
    Tdc& w = Start();
    TypeCell(w.tuegrid, 1, 0, QStringLiteral("kept"));
    ClickSave();
    const std::string tuesday = Bytes("tuelist.ini");
    const std::string settings = Bytes("schedule.ini");
    const auto written = fs::last_write_time(File("tuelist.ini"));

    TypeCell(w.tuegrid, 1, 0, QStringLiteral("changed"));
    TypeCell(w.tuegrid, 2, 0, QStringLiteral("added"));
    TypeCell(w.wedgrid, 1, 0, QStringLiteral("added"));
    w.spin1->setRawText(QStringLiteral("500"));
    Close();

    EXPECT_EQ(Bytes("tuelist.ini"), tuesday);
    EXPECT_EQ(Bytes("wedlist.ini"), "");
    EXPECT_EQ(Bytes("schedule.ini"), settings);
    EXPECT_EQ(fs::last_write_time(File("tuelist.ini")), written);

    Tdc& again = Start();
    EXPECT_EQ(CellText(again.tuegrid, 1, 0), QStringLiteral("kept"));
    EXPECT_EQ(CellText(again.tuegrid, 2, 0), QString());
    EXPECT_EQ(CellText(again.wedgrid, 1, 0), QString());
    EXPECT_EQ(again.spin1->text(), QStringLiteral("0"));
}

TEST_F(UiTest, CloseReleasesTheListsAndAsksNothing) {
    Tdc& w = Start();
    ASSERT_TRUE(w.Store().HasLists());
    TypeCell(w.mongrid, 1, 0, QStringLiteral("unsaved"));
    w.close();
    QApplication::processEvents();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.Store().HasLists());
    EXPECT_FALSE(w.Timer1->isActive());
    EXPECT_TRUE(OpenErrorTexts().isEmpty());
    EXPECT_FALSE(fs::exists(File("monlist.ini")));
}

TEST_F(UiTest, StoredDelayIsShownAfterARestart) {
    Tdc& w = Start();
    w.pagectrl1->setCurrentIndex(0);
    w.spin1->selectAll();
    QTest::keyClicks(w.spin1, QStringLiteral("250"));
    EXPECT_EQ(w.spin1->text(), QStringLiteral("250"));
    ClickSave();
    EXPECT_EQ(Bytes("schedule.ini"), "Script Delay (mSecs):\r\n250\r\n");
    // The delay in use stays as it was until the next start.
    EXPECT_EQ(w.Store().ScriptDelay(), "0");

    Tdc& again = Restart();
    EXPECT_EQ(again.spin1->text(), QStringLiteral("250"));
    EXPECT_EQ(again.Store().ScriptDelay(), "250");
}

TEST_F(UiTest, SettingsTextIsKeptVerbatimInTheSpinBox) {
    // Text that is no number, and further lines, survive start-up and a save.
    WriteBytes(File("schedule.ini"), "Script Delay (mSecs):\r\nabc\r\nextra line\r\n");
    Tdc& w = Start();
    EXPECT_EQ(w.spin1->text(), QStringLiteral("abc"));
    ClickSave();
    EXPECT_EQ(Bytes("schedule.ini"), "Script Delay (mSecs):\r\nabc\r\nextra line\r\n");

    WriteBytes(File("schedule.ini"), "Script Delay (mSecs):\r\n\r\n");
    Tdc& again = Restart();
    EXPECT_EQ(again.spin1->text(), QString());
}

TEST_F(UiTest, NonAsciiTextIsSavedAsCodePage1252AndShownAgain) {
    Tdc& w = Start();
    TypeCell(w.frigrid, 1, 0, QStringLiteral("caf\u00e9"));
    TypeCell(w.frigrid, 1, 1, QStringLiteral("\u20ac 5"));
    // A character that the code page cannot hold is stored as "?".
    TypeCell(w.frigrid, 1, 4, QStringLiteral("\u0101b"));
    ClickSave();
    EXPECT_EQ(Bytes("frilist.ini"), "caf\xE9|\x80 5|||?b\r\n");
    EXPECT_EQ(CellText(w.frigrid, 1, 0), QStringLiteral("caf\u00e9"));

    Tdc& again = Restart();
    EXPECT_EQ(CellText(again.frigrid, 1, 0), QStringLiteral("caf\u00e9"));
    EXPECT_EQ(CellText(again.frigrid, 1, 1), QStringLiteral("\u20ac 5"));
    EXPECT_EQ(CellText(again.frigrid, 1, 4), QStringLiteral("?b"));
}

TEST_F(UiTest, DayFileIsShownInTheGrid) {
    WriteBytes(File("thulist.ini"), "a|b|c\nx|y|1|2|s1;s2|extra\n\nlast|t|3|4|k\n");
    Tdc& w = Start();
    EXPECT_EQ(CellText(w.thugrid, 1, 0), QStringLiteral("a"));
    EXPECT_EQ(CellText(w.thugrid, 1, 2), QStringLiteral("c"));
    EXPECT_EQ(CellText(w.thugrid, 1, 3), QString());
    EXPECT_EQ(CellText(w.thugrid, 2, 4), QStringLiteral("s1;s2"));
    EXPECT_EQ(CellText(w.thugrid, 3, 0), QString());
    EXPECT_EQ(CellText(w.thugrid, 4, 0), QStringLiteral("last"));
    ClickSave();
    EXPECT_EQ(Bytes("thulist.ini"), "a|b|c||\r\nx|y|1|2|s1;s2\r\nlast|t|3|4|k\r\n");
}

TEST_F(UiTest, SaveIntoADirectoryIsReportedAndTheProgramGoesOn) {
    fs::create_directory(File("monlist.ini"));
    Tdc& w = Start();
    EXPECT_TRUE(OpenErrorTexts().isEmpty()); // a directory counts as a missing day file
    TypeCell(w.mongrid, 1, 0, QStringLiteral("notepad"));
    TypeCell(w.tuegrid, 1, 0, QStringLiteral("tuesday"));

    w.pagectrl1->setCurrentIndex(0);
    w.BitBtn2Click();
    // The box opens after the handler has returned, from the event loop.
    EXPECT_TRUE(w.ErrorBoxes().isEmpty());
    QApplication::processEvents();
    const QList<QMessageBox*> boxes = w.ErrorBoxes();
    ASSERT_EQ(boxes.size(), 1);
    QMessageBox* box = boxes.front();
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->text(), QStringLiteral("Cannot create file monlist.ini."));
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Orvanel"));
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));

    // The same report is not stacked while it is open.
    w.BitBtn2Click();
    QApplication::processEvents();
    EXPECT_EQ(w.ErrorBoxes().size(), 1);

    // The program goes on: the grids keep what was typed, and once the way is
    // clear a save writes everything.
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(CellText(w.mongrid, 1, 0), QStringLiteral("notepad"));
    DismissErrors();
    EXPECT_TRUE(w.ErrorBoxes().isEmpty());
    fs::remove(File("monlist.ini"));
    ClickSave();
    EXPECT_TRUE(OpenErrorTexts().isEmpty());
    EXPECT_EQ(Bytes("monlist.ini"), "notepad||||\r\n");
    EXPECT_EQ(Bytes("tuelist.ini"), "tuesday||||\r\n");
}

TEST_F(UiTest, ReportCanComeAgainAfterItWasDismissed) {
    fs::create_directory(File("wedlist.ini"));
    Tdc& w = Start();
    w.BitBtn2Click();
    QApplication::processEvents();
    ASSERT_EQ(OpenErrorTexts(), QStringList{QStringLiteral("Cannot create file wedlist.ini.")});
    DismissErrors();
    w.BitBtn2Click();
    QApplication::processEvents();
    EXPECT_EQ(OpenErrorTexts(), QStringList{QStringLiteral("Cannot create file wedlist.ini.")});
}

} // namespace
} // namespace orvanel::test
