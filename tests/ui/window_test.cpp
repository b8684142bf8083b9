// The window's components, their layout and their behaviour.
#include <QAbstractButton>
#include <QHeaderView>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>

#include "app/datetimetext.h"
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
    auto* status = Find<QStatusBar>("StatusBar1");
    EXPECT_EQ(status->height(), 24);
    EXPECT_EQ(status->geometry().bottom(), w.height() - 1);
    EXPECT_TRUE(status->isSizeGripEnabled());
    EXPECT_EQ(Label("StatusBar1Panel")->text(),
              QStringLiteral("Click the GENERAL Tab and choose SAVE to save your data!!!"));
    // The tab control fills the client area above the status line.
    EXPECT_EQ(Pages()->geometry(), QRect(0, 0, 580, 225));
    EXPECT_EQ(w.font().pixelSize(), 11);
}

TEST_F(UiTest, AStartNoticeGivesTheStatusPanelBackOnceSeen) {
    Tdc& w = Start();
    auto* status = Find<QStatusBar>("StatusBar1");
    const QString notice = QStringLiteral("Only X11 windows can be reached.");
    w.ShowNotice(notice.toStdString());
    EXPECT_EQ(status->currentMessage(), notice);
    QTest::mouseClick(status, Qt::LeftButton); // the user's first click in the window
    EXPECT_EQ(status->currentMessage(), QString());
    EXPECT_TRUE(Label("StatusBar1Panel")->isVisible());
    EXPECT_EQ(Label("StatusBar1Panel")->toolTip(), notice);
}

TEST_F(UiTest, PagesInTheirOrderWithGeneralInFront) {
    Start();
    const std::vector<std::pair<const char*, const char*>> pages = {
        {"TabSheet1", "General"},   {"TabSheet2", "Monday"},   {"TabSheet3", "Tuesday"},
        {"TabSheet4", "Wednesday"}, {"TabSheet5", "Thursday"}, {"Tabsheet6", "Friday"},
        {"tabsheet7", "Saturday"},  {"TabSheet8", "Sunday"}};
    PageControl* control = Pages();
    ASSERT_EQ(control->count(), 9); // the eighth is followed by the History page
    for (int i = 0; i < 8; ++i) {
        const auto index = static_cast<std::size_t>(i);
        EXPECT_EQ(control->widget(i), Find(pages[index].first)) << i;
        EXPECT_EQ(control->tabText(i), QString::fromLatin1(pages[index].second));
    }
    EXPECT_EQ(control->currentWidget(), Find("TabSheet1"));
    // Every tab is whole and within the tab control: none is cut or hidden.
    QTabBar* bar = control->tabBar();
    for (int i = 0; i < control->count(); ++i) {
        const QRect tab = bar->tabRect(i);
        EXPECT_GE(tab.width(), bar->fontMetrics().horizontalAdvance(bar->tabText(i))) << i;
        EXPECT_LE(bar->mapTo(control, tab.topRight()).x(), control->width()) << i;
    }
}

TEST_F(UiTest, GeneralPageControlsAtTheirPlaces) {
    Start();
    struct Place {
        QWidget* widget;
        const char* name;
        QPoint topLeft;
    };
    // The date and the version text move only as far as the font of the
    // label before them needs.
    const int dateLeft = std::max(122, Label("Label1")->geometry().right() + 6);
    const int versionTop = std::max(40, Label("Label4")->geometry().bottom() + 1);
    const std::vector<Place> places = {
        {Label("Label1"), "Label1", {54, 10}},
        {Label("Label2"), "Label2", {dateLeft, 10}},
        {Find<MonthCalendar>("Calendar1"), "Calendar1", {42, 36}},
        {Label("Image1"), "Image1", {324, 4}},
        {Label("Label4"), "Label4", {362, 16}},
        {Label("Label5"), "Label5", {366, versionTop}},
        {Label("Label9"), "Label9", {368, 60}},
        {Label("Label10"), "Label10", {368, 82}},
        {Label("Label3"), "Label3", {330, 114}},
        {Spin(), "spin1", {332, 132}},
        {Find<QPushButton>("BitBtn2"), "BitBtn2", {446, 128}},
        {Find<QPushButton>("BitBtn1"), "BitBtn1", {482, 0}},
    };
    for (const Place& place : places) {
        EXPECT_EQ(place.widget->objectName(), QString::fromLatin1(place.name));
        EXPECT_EQ(place.widget->parentWidget(), Find("TabSheet1")) << place.name;
        EXPECT_EQ(place.widget->pos(), place.topLeft) << place.name;
    }
    EXPECT_EQ(Find<MonthCalendar>("Calendar1")->size(), QSize(241, 151));
    EXPECT_EQ(Label("Image1")->size(), QSize(32, 32));
    EXPECT_EQ(Spin()->size(), QSize(57, 22));
    EXPECT_EQ(Find<QPushButton>("BitBtn2")->size(), QSize(107, 29));
    EXPECT_EQ(Find<QPushButton>("BitBtn1")->size(), QSize(89, 23));

    EXPECT_EQ(Label("Label1")->text(), QStringLiteral("Current Date:"));
    EXPECT_EQ(Label("Label3")->text(), QStringLiteral("Script Delay (mSec)"));
    EXPECT_EQ(Label("Label4")->text(), QStringLiteral("Orvanel"));
    EXPECT_EQ(Label("Label5")->text(), QStringLiteral("Ver. 1.0"));
    EXPECT_EQ(Label("Label9")->text(), QString::fromLatin1(kVendorSiteName));
    EXPECT_EQ(Label("Label10")->text(), QStringLiteral("Documentation"));
    EXPECT_EQ(Find<QPushButton>("BitBtn2")->text(), QStringLiteral("Save Data"));
    EXPECT_EQ(Find<QPushButton>("BitBtn1")->text(), QStringLiteral("Test"));

    // Fonts and colours.
    EXPECT_EQ(Label("Label4")->font().pixelSize(), 21);
    EXPECT_TRUE(Label("Label4")->font().bold());
    EXPECT_EQ(TextColour(Label("Label4")), QColor(255, 0, 0));
    for (QLabel* link : {Label("Label9"), Label("Label10")}) {
        EXPECT_TRUE(link->font().bold());
        EXPECT_TRUE(link->font().underline());
        EXPECT_EQ(link->font().pixelSize(), 11);
        EXPECT_EQ(TextColour(link), QColor(0, 0, 255));
        EXPECT_EQ(link->cursor().shape(), Qt::ArrowCursor);
    }
    // Labels size themselves to their text.
    EXPECT_EQ(Label("Label10")->size(), Label("Label10")->sizeHint());

    // The save button's glyph, normal and greyed.
    const QIcon glyph = Find<QPushButton>("BitBtn2")->icon();
    EXPECT_EQ(Find<QPushButton>("BitBtn2")->iconSize(), QSize(16, 16));
    EXPECT_FALSE(glyph.pixmap(16, 16, QIcon::Normal).isNull());
    EXPECT_NE(glyph.pixmap(16, 16, QIcon::Normal).toImage(),
              glyph.pixmap(16, 16, QIcon::Disabled).toImage());
    EXPECT_FALSE(Label("Image1")->pixmap().isNull());
    EXPECT_EQ(Label("Image1")->pixmap().size(), QSize(32, 32));

    // The "Test" button is hidden and never takes the focus.
    EXPECT_FALSE(Find<QPushButton>("BitBtn1")->isVisible());
    EXPECT_EQ(Find<QPushButton>("BitBtn1")->focusPolicy(), Qt::NoFocus);
}

TEST_F(UiTest, TabKeyGoesRoundTabControlSpinBoxSaveButtonAndCheckBox) {
    Tdc& w = Start();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    WrappingTabBar* bar = Pages()->Bar();
    Pages()->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    const QImage focused = bar->grab().toImage();
    std::vector<QWidget*> seen;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        seen.push_back(QApplication::focusWidget());
        if (i == 0) {
            EXPECT_NE(bar->grab().toImage(), focused) << "the tabs show the keyboard focus";
        }
    }
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_TRUE(seen[0] == Spin() || Spin()->isAncestorOf(seen[0]));
    EXPECT_EQ(seen[1], Find<QPushButton>("BitBtn2"));
    EXPECT_EQ(seen[2], Find("CheckBox1"));
    EXPECT_EQ(seen[3], bar);
    EXPECT_EQ(Find<MonthCalendar>("Calendar1")->focusPolicy(), Qt::NoFocus);
}

TEST_F(UiTest, DayGridsHaveTheirHeaderAndColumnWidths) {
    Start();
    const std::vector<QString> captions = {QStringLiteral("EXE name"),
                                           QStringLiteral("Window Title"), QStringLiteral("Hour"),
                                           QStringLiteral("Min."), QStringLiteral("Script")};
    const std::vector<int> widths = {128, 128, 60, 60, 156};
    const std::vector<std::pair<const char*, const char*>> grids = {
        {"mongrid", "TabSheet2"}, {"tuegrid", "TabSheet3"}, {"wedgrid", "TabSheet4"},
        {"thugrid", "TabSheet5"}, {"frigrid", "Tabsheet6"}, {"satgrid", "tabsheet7"},
        {"sungrid", "TabSheet8"}};
    for (const auto& [name, page] : grids) {
        DayGrid* grid = Grid(name);
        SCOPED_TRACE(name);
        ASSERT_NE(grid, nullptr);
        EXPECT_EQ(grid->parentWidget(), Find(page));
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
    Pages()->setCurrentWidget(Find("TabSheet2"));
    QApplication::processEvents();
    EXPECT_TRUE(Grid("mongrid")->horizontalScrollBar()->isVisible());
    EXPECT_TRUE(Grid("mongrid")->verticalScrollBar()->isVisible());
}

TEST_F(UiTest, EnlargingTheWindowEnlargesOnlyTheTabControl) {
    Tdc& w = Start();
    w.resize(800, 500);
    QApplication::processEvents();
    EXPECT_EQ(Pages()->size(), QSize(800, 476));
    EXPECT_EQ(Grid("mongrid")->size(), QSize(489, 171));
    EXPECT_EQ(Spin()->pos(), QPoint(332, 132));
}

TEST_F(UiTest, TabsWrapOntoFurtherRowsWhenTheyDoNotFit) {
    Tdc& w = Start();
    WrappingTabBar* bar = Pages()->Bar();
    EXPECT_EQ(bar->RowCount(), 1);
    const int rowHeight = bar->height();

    w.resize(260, 300);
    QApplication::processEvents();
    EXPECT_EQ(w.width(), 260);
    const int rows = bar->RowCount();
    EXPECT_GE(rows, 3);
    EXPECT_EQ(bar->height(), rows * rowHeight);
    EXPECT_GE(Find("TabSheet1")->mapTo(Pages(), QPoint(0, 0)).y(), rows * rowHeight);
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
    EXPECT_EQ(Pages()->currentWidget(), Find("TabSheet8"));
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
    ShowPageOf(Grid("mongrid"));
    Grid("mongrid")->setFocus(Qt::OtherFocusReason);
    Grid("mongrid")->setCurrentCell(0, 0);
    QTest::keyClick(Grid("mongrid"), Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), Grid("mongrid"));
    EXPECT_EQ(Grid("mongrid")->currentColumn(), 0);
}

TEST_F(UiTest, ActivationFillsTheDateLabel) {
    Tdc& w = Start();
    // Activation is driven by hand here: the offscreen platform may have
    // activated the window already when it was shown.
    QWidget other;
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    other.activateWindow();
    QApplication::processEvents();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QLabel* date = Label("Label2");
    EXPECT_EQ(date->text().toStdString(),
              DateTimeText(desktop_.GetLocalTime(), desktop_.GetLocaleInfoA()));
    EXPECT_EQ(date->size(), date->sizeHint());
}

TEST_F(UiTest, TimerTicksEveryMinute) {
    Start();
    auto* timer = Find<QTimer>("Timer1");
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 60000);
    EXPECT_EQ(timer->timerType(), Qt::PreciseTimer);
    EXPECT_FALSE(timer->isSingleShot());
}

TEST_F(UiTest, LinkColoursFollowTheMouse) {
    Start();
    const QColor red(255, 0, 0);
    const QColor blue(0, 0, 255);
    struct Move {
        QWidget* over;
        QPoint at; // within `over`; null: its centre
        QColor label9;
        QColor label10;
    };
    const std::vector<Move> moves = {
        {Label("Label9"), {}, red, blue},  // only the web-site link turns red
        {Label("Label1"), {}, red, blue},  // a control without a handler changes nothing
        {Label("Label10"), {}, red, red},  //
        {Label("Label5"), {}, blue, blue}, // the version label turns both blue
        {Label("Label10"), {}, blue, red}, //
        {Find<MonthCalendar>("Calendar1"), {}, blue, red}, //
        {Find("TabSheet1"), {5, 5}, blue, blue},           // the bare page turns both blue
    };
    int step = 0;
    for (const Move& move : moves) {
        const QPoint at = move.at.isNull() ? move.over->rect().center() : move.at;
        QTest::mouseMove(move.over, at);
        QApplication::processEvents();
        EXPECT_EQ(TextColour(Label("Label9")), move.label9) << "step " << step;
        EXPECT_EQ(TextColour(Label("Label10")), move.label10) << "step " << step;
        ++step;
    }
}

TEST_F(UiTest, LinksOpenTheManualAndTheWebSite) {
    Start();
    desktop_.ClearRecord();
    QTest::mouseClick(Label("Label10"), Qt::LeftButton);
    EXPECT_EQ(desktop_.Record(), "shell open schedule.html\n");
    desktop_.ClearRecord();
    QTest::mouseClick(Label("Label9"), Qt::LeftButton);
    EXPECT_EQ(desktop_.Record(), std::string("shell open ") + kVendorAddress + "\n");
    // No manual in the working directory: the program shows nothing.
    QApplication::processEvents();
    EXPECT_TRUE(OpenErrorTexts().isEmpty());
}

} // namespace
} // namespace orvanel::test
