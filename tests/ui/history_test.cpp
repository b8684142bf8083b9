// The History page and "Run now", through the recording desktop.
#include <QAction>
#include <QCheckBox>
#include <QHelpEvent>
#include <QMenu>
#include <QTableView>
#include <QToolTip>

#include "fixture.h"
#include "ui/celltips.h"
#include "ui/elidinglabel.h"

namespace orvanel::test {
namespace {

TEST_F(UiTest, HistoryPageShowsTheRecordsAndRunNowAddsOne) {
    WriteBytes(File("monlist.ini"), "app.exe|Editor|7|5|hi\r\n");
    WriteBytes(File("history.log"), "2026-01-04T10:00+00:00\t-\tSun\t2\terror\tb.exe\tB\t"
                                    "'' is not a valid integer value\r\n");
    Start();
    PageControl* pages = Pages();
    ASSERT_EQ(pages->count(), 9);
    EXPECT_EQ(pages->tabText(8), QStringLiteral("History"));
    EXPECT_EQ(pages->widget(8), Find("TabSheet9"));
    EXPECT_EQ(pages->Bar()->RowCount(), 1) << "the day pages keep their places";
    EXPECT_EQ(Label("NextTaskLabel")->text(),
              QStringLiteral("Next task: Monday 07:05, app.exe, \"Editor\""));
    auto* table = Find<QTableView>("HistoryTable");
    QAbstractItemModel* model = table->model();
    ASSERT_EQ(model->rowCount(), 1);
    ASSERT_EQ(model->columnCount(), 8);
    EXPECT_EQ(model->headerData(7, Qt::Horizontal).toString(), QStringLiteral("Detail"));
    EXPECT_EQ(model->index(0, 4).data().toString(), QStringLiteral("error"));
    EXPECT_TRUE(model->index(0, 0).data(Qt::BackgroundRole).isValid()) << "an error stands out";

    // Tuesday's first row, typed and not saved, by Ctrl+R.
    desktop_.AddWindow("Editor");
    DayGrid* tuesday = Grid("tuegrid");
    TypeCell(tuesday, 1, 0, QStringLiteral("app.exe"));
    TypeCell(tuesday, 1, 1, QStringLiteral("Editor"));
    TypeCell(tuesday, 1, 4, QStringLiteral("x"));
    tuesday->setCurrentCell(0, 4);
    auto* key = W().findChild<QAction*>(QStringLiteral("RunNowAction"));
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->shortcut(), QKeySequence(QStringLiteral("Ctrl+R")));
    desktop_.ClearRecord();
    key->trigger();
    EXPECT_EQ(desktop_.Lines().front(), "find Editor = 1");
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->index(0, 0).data().toString(), QStringLiteral("now"));
    EXPECT_EQ(model->index(0, 4).data().toString(), QStringLiteral("typed"));
    EXPECT_FALSE(model->index(0, 0).data(Qt::BackgroundRole).isValid());
    EXPECT_TRUE(Label("LastRunLabel")
                    ->text()
                    .startsWith(QStringLiteral("Last run: 7:00:30 AM, typed, Tue row 1")));

    // The context menu of an empty row runs nothing and says why.
    QMenu* menu = tuesday->MakeRowMenu(2);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Run now"));
    desktop_.ClearRecord();
    menu->actions()[0]->trigger();
    EXPECT_TRUE(desktop_.Lines().empty());
    EXPECT_EQ(model->rowCount(), 2);
    EXPECT_EQ(
        Label("StatusBar1Panel")->text(),
        QStringLiteral("Row 2 of Tuesday has no EXE name: it is not a task, and nothing was run"));
    EXPECT_FALSE(std::filesystem::exists(File("tuelist.ini"))) << "nothing was saved";
    menu->deleteLater();
}

// Each column as wide as its content (a long path up to a limit), the
// Detail column the rest; times short with their ISO value as the tip; the
// selected row's detail under the table; the filter; long lines cut with
// "…" and whole in their tip.
TEST_F(UiTest, HistoryColumnsFitTheirContentAndLongTextsShowWhole) {
    const QString path = QStringLiteral("C:\\Program Files\\A very long folder name\\mail.exe");
    const QString detail = QStringLiteral("not run: row 2 above it has a malformed Hour or Min. "
                                          "('12a' is not a valid integer value)");
    WriteBytes(File("history.log"),
               "2026-01-04T17:00+00:00\t-\tSun\t2\tmissed\tnotepad.exe\tnotes.txt\tslept\r\n"
               "2026-01-05T06:30+00:00\t2026-01-05T06:30:00+00:00\tMon\t1\ttyped\t" +
                   path.toStdString() +
                   "\tInbox - Mail\twindow found\r\n"
                   "2026-01-05T07:00+00:00\t-\tMon\t3\tskipped\tcalc.exe\tCalculator\t" +
                   detail.toStdString() + "\r\n");
    Tdc& w = Start();
    Pages()->setCurrentIndex(8);
    w.resize(900, 249);
    QApplication::processEvents();
    auto* table = Find<QTableView>("HistoryTable");
    QAbstractItemModel* model = table->model();
    EXPECT_EQ(model->index(0, 0).data().toString(), QStringLiteral("7:00 AM"));
    EXPECT_EQ(model->index(1, 1).data().toString(), QStringLiteral("6:30:00 AM"));
    EXPECT_EQ(model->index(2, 0).data().toString(), QStringLiteral("Sun 1/4/2026 5:00 PM"));
    EXPECT_EQ(CellTip(*table, model->index(2, 0)), QStringLiteral("2026-01-04T17:00+00:00"));
    for (int column = 0; column < 7; ++column) {
        const int width = table->columnWidth(column);
        table->resizeColumnToContents(column);
        if (column != 5) {
            EXPECT_EQ(width, table->columnWidth(column)) << "column " << column;
        }
        EXPECT_GT(table->columnWidth(column), 0);
        table->setColumnWidth(column, width);
    }
    EXPECT_EQ(CellTip(*table, model->index(1, 5)), path) << "cut at its limit, whole in its tip";
    EXPECT_EQ(CellTip(*table, model->index(2, 6)), QString());
    EXPECT_EQ(table->columnViewportPosition(7) + table->columnWidth(7), table->viewport()->width());

    table->selectRow(0);
    EXPECT_EQ(Label("HistoryDetailLabel")->text(), detail);
    QTest::mouseClick(Find<QCheckBox>("ProblemsOnly"), Qt::LeftButton);
    EXPECT_EQ(model->rowCount(), 2);
    QTest::mouseClick(Find<QCheckBox>("ProblemsOnly"), Qt::LeftButton);
    EXPECT_EQ(model->rowCount(), 3);

    w.resize(580, 249);
    QApplication::processEvents();
    auto* lastRun = Find<ElidingLabel>("LastRunLabel");
    EXPECT_TRUE(lastRun->Cut());
    EXPECT_TRUE(lastRun->ShownText().endsWith(QChar(0x2026))) << ToStd(lastRun->ShownText());
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), lastRun->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(lastRun, &help);
    EXPECT_EQ(QToolTip::text(), lastRun->text());
    EXPECT_TRUE(lastRun->text().endsWith(detail));
}

} // namespace
} // namespace orvanel::test
