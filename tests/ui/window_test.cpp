// The window's components, their layout and their behaviour.
#include <QAbstractButton>
#include <QHeaderView>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>

#include "desktop/datetimetext.h"
#include "fixture.h"

namespace orvanel::test {
namespace {

QColor TextColour(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

TEST_F(UiTest, WindowHasItsCaptionSizeAndStatusLine) {
    Tdc& w = Start();
    EXPECT_EQ(w.objectName(), QStringLiteral("dc"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Orvanel"));
    EXPECT_FALSE(w.windowIcon().isNull());
    EXPECT_EQ(w.size(), QSize(580, 249));
    EXPECT_EQ(w.StatusBar1->objectName(), QStringLiteral("StatusBar1"));
    EXPECT_EQ(w.StatusBar1->height(), 24);
    EXPECT_EQ(w.StatusBar1->geometry().bottom(), w.height() - 1);
    EXPECT_TRUE(w.StatusBar1->isSizeGripEnabled());
    EXPECT_EQ(w.StatusBar1Panel->text(),
              QStringLiteral("Click the GENERAL Tab and choose SAVE to save your data!!!"));
    // The tab control fills the client area above the status line.
    EXPECT_EQ(w.pagectrl1->geometry(), QRect(0, 0, 580, 225));
    EXPECT_EQ(w.font().pixelSize(), 11);
}

TEST_F(UiTest, PagesInTheirOrderWithGeneralInFront) {
    Tdc& w = Start();
    const std::vector<std::pair<QWidget*, const char*>> pages = {
        {w.TabSheet1, "General"},   {w.TabSheet2, "Monday"},   {w.TabSheet3, "Tuesday"},
        {w.TabSheet4, "Wednesday"}, {w.TabSheet5, "Thursday"}, {w.Tabsheet6, "Friday"},
        {w.tabsheet7, "Saturday"},  {w.TabSheet8, "Sunday"}};
    const std::vector<const char*> names = {"TabSheet1", "TabSheet2", "TabSheet3", "TabSheet4",
                                            "TabSheet5", "Tabsheet6", "tabsheet7", "TabSheet8"};
    ASSERT_EQ(w.pagectrl1->count(), 8);
    for (int i = 0; i < 8; ++i) {
        const auto index = static_cast<std::size_t>(i);
        EXPECT_EQ(w.pagectrl1->widget(i), pages[index].first) << i;
        EXPECT_EQ(w.pagectrl1->tabText(i), QString::fromLatin1(pages[index].second));
        EXPECT_EQ(pages[index].first->objectName(), QString::fromLatin1(names[index]));
    }
    EXPECT_EQ(w.pagectrl1->currentWidget(), w.TabSheet1);
    // Every tab is whole and within the tab control: none is cut or hidden.
    QTabBar* bar = w.pagectrl1->tabBar();
    for (int i = 0; i < 8; ++i) {
        const QRect tab = bar->tabRect(i);
        EXPECT_GE(tab.width(), bar->fontMetrics().horizontalAdvance(bar->tabText(i))) << i;
        EXPECT_LE(bar->mapTo(w.pagectrl1, tab.topRight()).x(), w.pagectrl1->width()) << i;
    }
}

TEST_F(UiTest, GeneralPageControlsAtTheirPlaces) {
    Tdc& w = Start();
    struct Place {
        QWidget* widget;
        const char* name;
        QPoint topLeft;
    };
    const std::vector<Place> places = {
        {w.Label1, "Label1", {54, 10}},       {w.Label2, "Label2", {122, 10}},
        {w.Calendar1, "Calendar1", {42, 36}}, {w.Image1, "Image1", {324, 4}},
        {w.Label4, "Label4", {362, 16}},      {w.Label5, "Label5", {366, 40}},
        {w.Label9, "Label9", {368, 60}},      {w.Label10, "Label10", {368, 82}},
        {w.Label3, "Label3", {330, 114}},     {w.spin1, "spin1", {332, 132}},
        {w.BitBtn2, "BitBtn2", {446, 128}},   {w.BitBtn1, "BitBtn1", {482, 0}},
    };
    for (const Place& place : places) {
        EXPECT_EQ(place.widget->objectName(), QString::fromLatin1(place.name));
        EXPECT_EQ(place.widget->parentWidget(), w.TabSheet1) << place.name;
        EXPECT_EQ(place.widget->pos(), place.topLeft) << place.name;
    }
    EXPECT_EQ(w.Calendar1->size(), QSize(241, 151));
    EXPECT_EQ(w.Image1->size(), QSize(32, 32));
    EXPECT_EQ(w.spin1->size(), QSize(57, 22));
    EXPECT_EQ(w.BitBtn2->size(), QSize(107, 29));
    EXPECT_EQ(w.BitBtn1->size(), QSize(89, 23));

    EXPECT_EQ(w.Label1->text(), QStringLiteral("Current Date:"));
    EXPECT_EQ(w.Label3->text(), QStringLiteral("Script Delay (mSec)"));
    EXPECT_EQ(w.Label4->text(), QStringLiteral("Orvanel"));
    EXPECT_EQ(w.Label5->text(), QStringLiteral("Ver. 1.0"));
    EXPECT_EQ(w.Label9->text(), QString::fromLatin1(kVendorSiteName));
    EXPECT_EQ(w.Label10->text(), QStringLiteral("Documentation"));
    EXPECT_EQ(w.BitBtn2->text(), QStringLiteral("Save Data"));
    EXPECT_EQ(w.BitBtn1->text(), QStringLiteral("Test"));

    // Fonts and colours.
    EXPECT_EQ(w.Label4->font().pixelSize(), 21);
    EXPECT_TRUE(w.Label4->font().bold());
    EXPECT_EQ(TextColour(w.Label4), QColor(255, 0, 0));
    for (QLabel* link : {w.Label9, w.Label10}) {
        EXPECT_TRUE(link->font().bold());
        EXPECT_TRUE(link->font().underline());
        EXPECT_EQ(link->font().pixelSize(), 11);
        EXPECT_EQ(TextColour(link), QColor(0, 0, 255));
        EXPECT_EQ(link->cursor().shape(), Qt::ArrowCursor);
    }
    // Labels size themselves to their text.
    EXPECT_EQ(w.Label10->size(), w.Label10->sizeHint());

    // The save button's glyph, normal and greyed.
    const QIcon glyph = w.BitBtn2->icon();
    EXPECT_EQ(w.BitBtn2->iconSize(), QSize(16, 16));
    EXPECT_FALSE(glyph.pixmap(16, 16, QIcon::Normal).isNull());
    EXPECT_NE(glyph.pixmap(16, 16, QIcon::Normal).toImage(),
              glyph.pixmap(16, 16, QIcon::Disabled).toImage());
    EXPECT_FALSE(w.Image1->pixmap().isNull());
    EXPECT_EQ(w.Image1->pixmap().size(), QSize(32, 32));

    // The "Test" button is hidden and never takes the focus.
    EXPECT_FALSE(w.BitBtn1->isVisible());
    EXPECT_EQ(w.BitBtn1->focusPolicy(), Qt::NoFocus);
}

TEST_F(UiTest, TabKeyGoesRoundTabControlSpinBoxAndSaveButton) {
    Tdc& w = Start();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.pagectrl1->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    std::vector<QWidget*> seen;
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        seen.push_back(QApplication::focusWidget());
    }
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_TRUE(seen[0] == w.spin1 || w.spin1->isAncestorOf(seen[0]));
    EXPECT_EQ(seen[1], w.BitBtn2);
    EXPECT_TRUE(seen[2] == w.pagectrl1 || w.pagectrl1->isAncestorOf(seen[2]));
    EXPECT_EQ(w.Calendar1->focusPolicy(), Qt::NoFocus);
}

TEST_F(UiTest, DayGridsHaveTheirHeaderAndColumnWidths) {
    Tdc& w = Start();
    const std::vector<QString> captions = {QStringLiteral("EXE name"),
                                           QStringLiteral("Window Title"), QStringLiteral("Hour"),
                                           QStringLiteral("Min."), QStringLiteral("Script")};
    const std::vector<int> widths = {128, 128, 60, 60, 156};
    const std::vector<const char*> names = {"mongrid", "tuegrid", "wedgrid", "thugrid",
                                            "frigrid", "satgrid", "sungrid"};
    const std::vector<QWidget*> pages = {w.TabSheet2, w.TabSheet3, w.TabSheet4, w.TabSheet5,
                                         w.Tabsheet6, w.tabsheet7, w.TabSheet8};
    for (std::size_t day = 0; day < 7; ++day) {
        QTableWidget* grid = w.DayGrids()[day];
        SCOPED_TRACE(names[day]);
        EXPECT_EQ(grid->objectName(), QString::fromLatin1(names[day]));
        EXPECT_EQ(grid->parentWidget(), pages[day]);
        EXPECT_EQ(grid->geometry(), QRect(10, 12, 489, 171));
        EXPECT_EQ(grid->columnCount(), 5);
        EXPECT_EQ(grid->rowCount(), 24); // the task rows; row 0 is the header
        for (int column = 0; column < 5; ++column) {
            const auto c = static_cast<std::size_t>(column);
            EXPECT_EQ(grid->horizontalHeaderItem(column)->text(), captions[c]);
            EXPECT_EQ(grid->columnWidth(column), widths[c]);
        }
        EXPECT_EQ(grid->horizontalHeader()->height(), 24);
        for (int row = 0; row < 24; ++row) {
            EXPECT_EQ(grid->rowHeight(row), 24);
        }
        EXPECT_FALSE(grid->verticalHeader()->isVisible() && grid->isVisible());
        EXPECT_FALSE(grid->tabKeyNavigation());
        EXPECT_EQ(grid->selectionMode(), QAbstractItemView::ContiguousSelection);
        EXPECT_EQ(grid->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
        EXPECT_TRUE(grid->showGrid());
    }
    // The columns are wider than the grid, and the rows higher: both scroll bars.
    w.pagectrl1->setCurrentWidget(w.TabSheet2);
    QApplication::processEvents();
    EXPECT_TRUE(w.mongrid->horizontalScrollBar()->isVisible());
    EXPECT_TRUE(w.mongrid->verticalScrollBar()->isVisible());
}

TEST_F(UiTest, EnlargingTheWindowEnlargesOnlyTheTabControl) {
    Tdc& w = Start();
    w.resize(800, 500);
    QApplication::processEvents();
    EXPECT_EQ(w.pagectrl1->size(), QSize(800, 476));
    EXPECT_EQ(w.mongrid->size(), QSize(489, 171));
    EXPECT_EQ(w.spin1->pos(), QPoint(332, 132));
}

TEST_F(UiTest, TabsWrapOntoFurtherRowsWhenTheyDoNotFit) {
    Tdc& w = Start();
    WrappingTabBar* bar = w.pagectrl1->Bar();
    EXPECT_EQ(bar->RowCount(), 1);
    const int rowHeight = bar->height();

    w.resize(260, 300);
    QApplication::processEvents();
    EXPECT_EQ(w.width(), 260);
    const int rows = bar->RowCount();
    EXPECT_GE(rows, 3);
    EXPECT_EQ(bar->height(), rows * rowHeight);
    EXPECT_GE(w.TabSheet1->mapTo(w.pagectrl1, QPoint(0, 0)).y(), rows * rowHeight);
    const QVector<QRect> places = bar->TabPlaces(bar->width());
    for (int i = 0; i < places.size(); ++i) {
        EXPECT_TRUE(bar->rect().contains(places[i])) << i;
        for (int j = i + 1; j < places.size(); ++j) {
            EXPECT_FALSE(places[i].intersects(places[j])) << i << " " << j;
        }
        EXPECT_GE(places[i].width(), bar->fontMetrics().horizontalAdvance(bar->tabText(i)));
    }
    // The row of the current tab lies next to the page.
    EXPECT_EQ(places[0].bottom(), bar->height() - 1);

    // A click on a tab of another row shows its page, and its row moves down.
    const QRect sunday = places[7];
    ASSERT_LT(sunday.bottom(), bar->height() - 1);
    QTest::mouseClick(bar, Qt::LeftButton, {}, sunday.center());
    EXPECT_EQ(w.pagectrl1->currentWidget(), w.TabSheet8);
    EXPECT_EQ(bar->TabPlaces(bar->width())[7].bottom(), bar->height() - 1);

    w.resize(580, 249);
    QApplication::processEvents();
    EXPECT_EQ(bar->RowCount(), 1);
    EXPECT_EQ(bar->height(), rowHeight);
}

TEST_F(UiTest, TabLeavesTheGrid) {
    Tdc& w = Start();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    ShowPageOf(w.mongrid);
    w.mongrid->setFocus(Qt::OtherFocusReason);
    w.mongrid->setCurrentCell(0, 0);
    QTest::keyClick(w.mongrid, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), w.mongrid);
    EXPECT_EQ(w.mongrid->currentColumn(), 0);
}

TEST_F(UiTest, FirstActivationFillsTheDateLabelOnce) {
    Tdc& w = Start();
    // Activation is driven by hand here: the offscreen platform may have
    // activated the window already when it was shown.
    QWidget other;
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    const std::string expected = DateTimeText(desktop_.GetLocalTime(), desktop_.GetLocaleInfoA());
    other.activateWindow();
    QApplication::processEvents();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_FALSE(w.FirstActivation());
    EXPECT_EQ(w.Label2->text().toStdString(), expected);
    EXPECT_EQ(w.Label2->size(), w.Label2->sizeHint());

    // Returning to the window later changes nothing.
    desktop_.Advance(90'000);
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_EQ(w.Label2->text().toStdString(), expected);

    // The minute tick writes the new time.
    w.Timer1Timer();
    EXPECT_EQ(w.Label2->text().toStdString(),
              DateTimeText(desktop_.GetLocalTime(), desktop_.GetLocaleInfoA()));
    EXPECT_NE(w.Label2->text().toStdString(), expected);
}

TEST_F(UiTest, DateLabelIsEmptyBeforeTheFirstActivation) {
    window_ = std::make_unique<Tdc>(desktop_);
    EXPECT_TRUE(window_->FirstActivation());
    EXPECT_EQ(window_->Label2->text(), QString());
}

TEST_F(UiTest, TimerTicksEveryMinute) {
    Tdc& w = Start();
    EXPECT_EQ(w.Timer1->objectName(), QStringLiteral("Timer1"));
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_EQ(w.Timer1->interval(), 60000);
    EXPECT_EQ(w.Timer1->timerType(), Qt::PreciseTimer);
    EXPECT_FALSE(w.Timer1->isSingleShot());
}

TEST_F(UiTest, LinkColoursFollowTheMouse) {
    Tdc& w = Start();
    const QColor red(255, 0, 0);
    const QColor blue(0, 0, 255);
    struct Move {
        QWidget* over;
        QPoint at; // within `over`; null: its centre
        QColor label9;
        QColor label10;
    };
    const std::vector<Move> moves = {
        {w.Label9, {}, red, blue},         // only the web-site link turns red
        {w.Label1, {}, red, blue},         // a control without a handler changes nothing
        {w.Label10, {}, red, red},         //
        {w.Label5, {}, blue, blue},        // the version label turns both blue
        {w.Label10, {}, blue, red},        //
        {w.Calendar1, {}, blue, red},      //
        {w.TabSheet1, {5, 5}, blue, blue}, // the bare page turns both blue
    };
    int step = 0;
    for (const Move& move : moves) {
        const QPoint at = move.at.isNull() ? move.over->rect().center() : move.at;
        QTest::mouseMove(move.over, at);
        QApplication::processEvents();
        EXPECT_EQ(TextColour(w.Label9), move.label9) << "step " << step;
        EXPECT_EQ(TextColour(w.Label10), move.label10) << "step " << step;
        ++step;
    }
}

TEST_F(UiTest, LinksOpenTheManualAndTheWebSite) {
    Tdc& w = Start();
    desktop_.ClearRecord();
    QTest::mouseClick(w.Label10, Qt::LeftButton);
    EXPECT_EQ(desktop_.Record(), "shell open schedule.html\n");
    desktop_.ClearRecord();
    QTest::mouseClick(w.Label9, Qt::LeftButton);
    EXPECT_EQ(desktop_.Record(), std::string("shell open ") + kVendorAddress + "\n");
    // No manual in the working directory: the program shows nothing.
    QApplication::processEvents();
    EXPECT_TRUE(OpenErrorTexts().isEmpty());
}

TEST_F(UiTest, TestButtonWithAnEmptyTuesdayListReportsTheIndex) {
    Tdc& w = Start();
    w.BitBtn1->click();
    QApplication::processEvents();
    EXPECT_EQ(OpenErrorTexts(), QStringList{QStringLiteral("List index out of bounds.")});
}

TEST_F(UiTest, TestButtonRunsTheFirstTuesdayLine) {
    WriteBytes(File("tuelist.ini"), "C:\\Tools\\app.exe||9|0|\r\nsecond||9|0|\r\n");
    Tdc& w = Start();
    desktop_.ClearRecord();
    w.BitBtn1->click();
    QApplication::processEvents();
    EXPECT_TRUE(OpenErrorTexts().isEmpty());
    const std::string record = desktop_.Record();
    EXPECT_NE(record.find("shell open app.exe C:\\Tools\\"), std::string::npos) << record;
    EXPECT_EQ(record.find("second"), std::string::npos) << record;
}

TEST_F(UiTest, MalformedHourIsReportedOnceWhileItsBoxIsOpen) {
    WriteBytes(File("monlist.ini"), "prog|title|x|5|\r\n");
    Tdc& w = Start();
    desktop_.Advance(60'000);
    w.Timer1Timer();
    QApplication::processEvents();
    EXPECT_EQ(OpenErrorTexts(), QStringList{QStringLiteral("'x' is not a valid integer value.")});
    // Ticks go on while the report is open, without stacking boxes.
    desktop_.Advance(60'000);
    w.Timer1Timer();
    QApplication::processEvents();
    EXPECT_EQ(w.ErrorBoxes().size(), 1);
    EXPECT_EQ(w.Label2->text().toStdString(),
              DateTimeText(desktop_.GetLocalTime(), desktop_.GetLocaleInfoA()));
}

} // namespace
} // namespace orvanel::test
