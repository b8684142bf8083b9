// A day grid: the table of one weekday's tasks. Row 0 is the header row (the
// column captions), rows 1 to 24 are the task rows (rows 0 to 23 of the
// table widget); five columns, every row 24 pixels high, with a rectangular
// selection and columns that can be widened. Cell texts are converted
// between Unicode and code page 1252 here. A right click on a task row
// opens its context menu with "Run now".
//
// Editing, made for fast typing:
// - a printable key opens the current cell's editor at once with that
//   character, however soon after a click it comes; there is no search for
//   a row by its first letter;
// - a click on the current cell, a double-click, F2 or Enter opens the editor
//   (with the cell's text selected); Enter in the editor keeps the text,
//   Escape drops it;
// - Tab and Shift+Tab leave the grid for the next or previous control; in
//   the editor they keep the text first;
// - Delete empties every selected cell; Home and End go to the first and
//   the last column of the row;
// - the current cell is always scrolled fully into view;
// - a cell is one line: CR, LF and NUL in an edit become blanks when it is
//   committed;
// - a cell whose text is wider than its column shows it whole as its tool
//   tip;
// - Shift+F10, like the Menu key, opens the current row's context menu.
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
    // Whether a cell editor is open (its text is not in the cell yet).
    bool Editing() const { return state() == QAbstractItemView::EditingState; }

    // The context menu of task row `row` (1 to 24), opened at the mouse by a
    // right click on the row; "Run now" asks for the row to be run.
    QMenu* MakeRowMenu(int row);

    void keyboardSearch(const QString& search) override;
    using QTableWidget::edit; // edit(index), beside the override below

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void commitData(QWidget* editor) override;
    bool viewportEvent(QEvent* event) override;

signals:
    void RunNowRequested(int row);
    // The user has changed cells (an edit kept, Delete).
    void CellsEdited();

private:
    // The context menu of the row at `position` (viewport coordinates).
    void OpenRowMenu(const QPoint& position);
    void ClearSelectedCells();
    // Scrolls the cell fully into view; true when the view moved.
    bool ShowWhole(const QModelIndex& index);
    void GoToColumn(int column);

    // The cell under the last press, and whether it was the current,
    // selected cell before the press.
    QPersistentModelIndex pressed_;
    bool pressedCurrent_ = false;
    // The last click scrolled the view: a double-click that follows belongs
    // to the cell that was clicked, not to the one now under the pointer.
    bool scrolledByClick_ = false;
};

} // namespace orvanel
