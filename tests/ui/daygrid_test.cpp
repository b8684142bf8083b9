// Editing a day grid as a user types: keys at the speed of a keyboard tool,
// sent straight after a click with no pause of the event loop, to whatever
// widget has the focus.
#include <QLineEdit>
#include <chrono>
#include <filesystem>
#include <vector>

#include "fixture.h"

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
};
Step ClickAt(int row, int column) {
    return {Step::Click, row, column, {}, {}};
}
Step Typed(const char* text) {
    return {Step::Type, 0, 0, QString::fromUtf8(text), {}};
}
Step Press(Qt::Key key) {
    return {Step::Key, 0, 0, {}, key};
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
            QTest::keyClick(kFocusWidget, step.key);
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
