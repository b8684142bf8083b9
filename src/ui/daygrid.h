// A day grid: the table of one weekday's tasks. Row 0 is the header row (the
// column captions), rows 1 to 24 are the task rows (rows 0 to 23 of the
// table widget); five columns, every row 24 pixels high, editable in place,
// with a rectangular selection, columns that can be widened, and a Tab key
// that leaves the grid. Cell texts are converted between Unicode and code
// page 1252 here.
#pragma once

#include <QTableWidget>
#include <string>

namespace orvanel {

class DayGrid : public QTableWidget {
    Q_OBJECT
public:
    explicit DayGrid(QWidget* parent = nullptr);

    // The text of a cell, row 0 being the header row; a cell outside the grid
    // throws std::out_of_range.
    std::string CellText(int column, int row) const;
    void SetCellText(int column, int row, const std::string& text);
};

} // namespace orvanel
