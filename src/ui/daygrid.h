// A day grid: the table of one weekday's tasks. Row 0 is the header row (the
// column captions), rows 1 to 24 are the task rows (rows 0 to 23 of the
// table widget); five columns, every row 24 pixels high, editable in place,
// with a rectangular selection, columns that can be widened, and a Tab key
// that leaves the grid, and a context menu on the task rows with "Run now".
// Cell texts are converted between Unicode and code page 1252 here.
#pragma once

#include <QTableWidget>
#include <string>

class QMenu;

namespace orvanel {

class DayGrid : public QTableWidget {
    Q_OBJECT
public:
    explicit DayGrid(QWidget* parent = nullptr);

    // The text of a cell, row 0 being the header row; a cell outside the grid
    // throws std::out_of_range.
    std::string CellText(int column, int row) const;
    void SetCellText(int column, int row, const std::string& text);

    // Ends an edit in progress, keeping what was typed, so that the row reads
    // as the grid shows it.
    void CommitEdit();

    // The context menu of task row `row` (1 to 24), opened at the mouse by a
    // right click on the row; "Run now" asks for the row to be run.
    QMenu* MakeRowMenu(int row);

signals:
    void RunNowRequested(int row);

private:
    void OpenRowMenu(const QPoint& position);
};

} // namespace orvanel
