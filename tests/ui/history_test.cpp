// The History page and "Run now", through the recording desktop.
#include <QAction>
#include <QMenu>
#include <QTableView>

#include "fixture.h"

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
    EXPECT_TRUE(
        Label("LastRunLabel")
            ->text()
            .startsWith(QStringLiteral("Last run: 2026-01-05T07:00:30+00:00, typed, Tue row 1")));

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

} // namespace
} // namespace orvanel::test
