// Editing a day grid as a user types: keys at the speed of a keyboard tool,
// sent straight after a click with no pause of the event loop, to whatever
// widget has the focus.
#include <QHelpEvent>
#include <QLineEdit>
#include <QMenu>
#include <QToolTip>
#include <chrono>
#include <filesystem>
#include <vector>

#include "fixture.h"
#include "ui/celltips.h"

namespace orvanel::test {
namespace {

// Keys sent to no widget go to the one that has the focus, as a keyboard's do.
QWidget* const kFocusWidget = nullptr;

struct Step {
    enum Kind { Click, Type, Key, Paste } kind;
    int row = 0; // Click: the task row (1 to 24) and column
    int column = 0;
    QString text;
    Qt::Key key = Qt::Key_unknown;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
};
Step ClickAt(int row, int column) {
    return {Step::Click, row, column, {}, {}};
}
Step Typed(const char* text) {
    return {Step::Type, 0, 0, QString::fromUtf8(text), {}};
}
Step Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    return {Step::Key, 0, 0, {}, key, modifiers};
}
// Text put into the open cell editor as a paste puts it.
Step Pasted(const char* text) {
    return {Step::Paste, 0, 0, QString::fromUtf8(text), {}};
}

struct Cell {
    int row;
    int column;
    const char* text;
};

struct Case {
    const char* name;
    std::vector<Step> steps;
    std::vector<Cell> cells; // what the cells hold afterwards
    int currentColumn;       // the current cell's column afterwards
    bool focusInGrid = true; // false: the focus has moved on to the next control
};

class DayGridTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        WriteBytes(File("monlist.ini"), "gedit|Untitled|9|30|x\r\nxterm||14|0|y\r\n");
    }

    void Open() {
        Tdc& w = Restart();
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
        grid_ = Grid("mongrid");
        ShowPageOf(grid_);
        grid_->setFocus(Qt::MouseFocusReason);
    }

    // A click on the visible part of a cell.
    void ClickCell(int row, int column) {
        const QRect cell = grid_->visualRect(grid_->model()->index(row - 1, column));
        const QRect visible = cell & grid_->viewport()->rect();
        QTest::mouseClick(grid_->viewport(), Qt::LeftButton, {}, visible.center());
    }

    void Run(const Step& step) {
        switch (step.kind) {
        case Step::Click:
            ClickCell(step.row, step.column);
            break;
        case Step::Type:
            QTest::keyClicks(kFocusWidget, step.text);
            break;
        case Step::Key:
            QTest::keyClick(kFocusWidget, step.key, step.modifiers);
            break;
        case Step::Paste:
            if (auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget())) {
                editor->insert(step.text);
            } else {
                ADD_FAILURE() << "no cell editor to paste into";
            }
            break;
        }
    }

    DayGrid* grid_ = nullptr;
};

TEST_F(DayGridTest, KeysGoWhereTheUserTypes) {
    Start();
    const std::vector<Case> cases = {
        {"typing at once on a cell clicked while selected",
         {ClickAt(1, 2), ClickAt(1, 2), Typed("123456789"), Press(Qt::Key_Return)},
         {{1, 2, "123456789"}, {2, 2, "14"}},
         2},
        {"typing at once on a cell just clicked",
         {ClickAt(3, 0), Typed("notepad.exe"), Press(Qt::Key_Return)},
         {{3, 0, "notepad.exe"}, {1, 0, "gedit"}, {2, 0, "xterm"}},
         0},
        {"Tab while editing commits and leaves the grid",
         {ClickAt(1, 1), Typed("Title"), Press(Qt::Key_Tab)},
         {{1, 1, "Title"}, {1, 2, "9"}},
         1,
         false},
        {"Delete clears the current cell",
         {ClickAt(2, 2), Press(Qt::Key_Delete)},
         {{2, 2, ""}, {2, 0, "xterm"}, {2, 3, "0"}},
         2},
        {"Delete clears every cell of a range",
         {ClickAt(1, 2), Press(Qt::Key_Down, Qt::ShiftModifier),
          Press(Qt::Key_Right, Qt::ShiftModifier), Press(Qt::Key_Delete)},
         {{1, 2, ""}, {1, 3, ""}, {2, 2, ""}, {2, 3, ""}, {1, 1, "Untitled"}, {2, 4, "y"}},
         3},
        {"Enter opens the editor",
         {ClickAt(1, 3), Press(Qt::Key_Return), Typed("45"), Press(Qt::Key_Return)},
         {{1, 3, "45"}},
         3},
        {"End and Home go to the last and the first column",
         {ClickAt(1, 1), Press(Qt::Key_End), Press(Qt::Key_Home)},
         {{1, 0, "gedit"}},
         0},
        {"a half-hidden cell comes fully into view",
         {ClickAt(2, 0), Press(Qt::Key_End), ClickAt(2, 0), Typed("vi"), Press(Qt::Key_Return)},
         {{2, 0, "vi"}, {2, 4, "y"}},
         0},
        {"a pasted line break becomes a blank when the cell is committed",
         {ClickAt(1, 4), Press(Qt::Key_F2), Pasted("abc\ndef|x\r\ny"), Press(Qt::Key_Return)},
         {{1, 4, "abc def|x  y"}, {2, 0, "xterm"}},
         4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open();
        for (const Step& step : c.steps) {
            Run(step);
        }
        for (const Cell& cell : c.cells) {
            EXPECT_EQ(CellText(grid_, cell.row, cell.column), QString::fromUtf8(cell.text))
                << "row " << cell.row << " column " << cell.column;
        }
        EXPECT_EQ(grid_->currentIndex().column(), c.currentColumn);
        EXPECT_TRUE(grid_->viewport()->rect().contains(grid_->visualRect(grid_->currentIndex())));
        int editors = 0;
        for (const QLineEdit* editor : grid_->viewport()->findChildren<QLineEdit*>()) {
            editors += editor->isVisible() ? 1 : 0;
        }
        EXPECT_EQ(editors, 0);
        EXPECT_EQ(QApplication::focusWidget() == grid_, c.focusInGrid);
    }
}

// A Script wider than its column shows whole as the cell's tool tip, and
// Shift+F10 opens the current row's menu as the Menu key does.
TEST_F(DayGridTest, LongCellsHaveTheirTipAndShiftF10OpensTheRowMenu) {
    Start();
    Open();
    const QString script = QStringLiteral("Good morning!~;^s;").repeated(14).left(255);
    grid_->item(0, 4)->setText(script);
    const QModelIndex longCell = grid_->model()->index(0, 4);
    EXPECT_EQ(CellTip(*grid_, longCell), script);
    EXPECT_EQ(CellTip(*grid_, grid_->model()->index(0, 2)), QString()) << "\"9\" fits";
    grid_->scrollTo(longCell);
    const QPoint at = grid_->visualRect(longCell).center();
    QHelpEvent help(QEvent::ToolTip, at, grid_->viewport()->mapToGlobal(at));
    QApplication::sendEvent(grid_->viewport(), &help);
    EXPECT_EQ(QToolTip::text(), script);

    ClickCell(2, 1);
    QTest::keyClick(kFocusWidget, Qt::Key_F10, Qt::ShiftModifier);
    auto* menu = grid_->findChild<QMenu*>(QStringLiteral("RowMenu"));
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    menu->close();
}

// The day file rewritten on disk while a cell editor is open: what is being
// typed is an unsaved edit, and its grid is not refreshed under it.
TEST_F(DayGridTest, OpenEditorKeepsItsGridWhenTheFileChangesOnDisk) {
    Start();
    Open();
    ClickCell(1, 4);
    QTest::keyClick(kFocusWidget, Qt::Key_F2);
    QTest::keyClicks(kFocusWidget, QStringLiteral("typed"));
    ASSERT_TRUE(grid_->Editing());
    WriteBytes(File("monlist.ini"), "vim|Other|8|0|z\r\n");
    // Written a while ago, so that the check takes it at once.
    std::filesystem::last_write_time(File("monlist.ini"),
                                     std::filesystem::file_time_type::clock::now() -
                                         std::chrono::seconds(5));
    W().Timer1Timer();
    QTest::keyClick(kFocusWidget, Qt::Key_Return);
    EXPECT_EQ(CellText(grid_, 1, 0), QStringLiteral("gedit"));
    EXPECT_TRUE(CellText(grid_, 1, 4).endsWith(QStringLiteral("typed")))
        << CellText(grid_, 1, 4).toStdString();
    EXPECT_EQ(CellText(grid_, 2, 0), QStringLiteral("xterm"));
}

} // namespace
} // namespace orvanel::test
