// What the widgets hand to saving and closing: typed cells, the spin box's
// raw text, the error box and the window's frame.
#include <QMessageBox>
#include <QTimer>
#include <filesystem>

#include "fixture.h"

namespace orvanel::test {
namespace {

namespace fs = std::filesystem;

TEST_F(UiTest, TypedCellsAreSavedAsCodePage1252AndShownAgain) {
    Start();
    TypeCell(Grid("frigrid"), 1, 0, QStringLiteral("caf\u00e9"));
    TypeCell(Grid("frigrid"), 1, 1, QStringLiteral("\u20ac 5"));
    // A character that the code page cannot hold is stored as "?".
    TypeCell(Grid("frigrid"), 1, 4, QStringLiteral("\u0101b"));
    TypeCell(Grid("frigrid"), 3, 0, QStringLiteral("packed"));
    ClickSave();
    EXPECT_EQ(Bytes("frilist.ini"), "caf\xE9|\x80 5|||?b\r\npacked||||\r\n");
    EXPECT_EQ(CellText(Grid("frigrid"), 1, 0), QStringLiteral("caf\u00e9"));
    EXPECT_EQ(CellText(Grid("frigrid"), 2, 0), QStringLiteral("packed"));

    Restart();
    EXPECT_EQ(CellText(Grid("frigrid"), 1, 0), QStringLiteral("caf\u00e9"));
    EXPECT_EQ(CellText(Grid("frigrid"), 1, 1), QStringLiteral("\u20ac 5"));
    EXPECT_EQ(CellText(Grid("frigrid"), 1, 4), QStringLiteral("?b"));
}

TEST_F(UiTest, SpinBoxTextIsSavedAsItStands) {
    // Text that is no number, and further lines, survive start-up and a save.
    WriteBytes(File("schedule.ini"), "Script Delay (mSecs):\r\nabc\r\nextra line\r\n");
    Start();
    EXPECT_EQ(Spin()->text(), QStringLiteral("abc"));
    ClickSave();
    EXPECT_EQ(Bytes("schedule.ini"), "Script Delay (mSecs):\r\nabc\r\nextra line\r\n");

    Spin()->selectAll();
    QTest::keyClicks(Spin(), QStringLiteral("250"));
    ClickSave();
    EXPECT_EQ(Bytes("schedule.ini"), "Script Delay (mSecs):\r\n250\r\nextra line\r\n");
    Restart();
    EXPECT_EQ(Spin()->text(), QStringLiteral("250"));
}

TEST_F(UiTest, ErrorBoxOpensOverTheWindowAndCanComeAgainOnceClosed) {
    fs::create_directory(File("monlist.ini"));
    Tdc& w = Start();
    w.BitBtn2Click();
    // The box opens from the event loop, once the handler has returned.
    EXPECT_TRUE(w.findChildren<QMessageBox*>().isEmpty());
    QApplication::processEvents();
    const QList<QMessageBox*> boxes = OpenErrorBoxes();
    ASSERT_EQ(boxes.size(), 1);
    QMessageBox* box = boxes.front();
    EXPECT_EQ(box->text(), QStringLiteral("Cannot create file monlist.ini."));
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Orvanel"));
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_TRUE(box->isModal());

    DismissErrors();
    EXPECT_TRUE(OpenErrorBoxes().isEmpty());
    w.BitBtn2Click();
    QApplication::processEvents();
    EXPECT_EQ(OpenErrorTexts(), QStringList{QStringLiteral("Cannot create file monlist.ini.")});
}

TEST_F(UiTest, ClosingThroughTheFrameStopsTheTimerAndSavesNothing) {
    Tdc& w = Start();
    TypeCell(Grid("mongrid"), 1, 0, QStringLiteral("unsaved"));
    w.close();
    QApplication::processEvents();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(Find<QTimer>("Timer1")->isActive());
    EXPECT_TRUE(OpenErrorBoxes().isEmpty());
    EXPECT_FALSE(fs::exists(File("monlist.ini")));
}

} // namespace
} // namespace orvanel::test
