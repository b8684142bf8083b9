// The store's view of the window: the seven day grids and the script delay
// spin box, with their texts converted between Unicode and code page 1252.
// Row 0 of a day grid is its header row (the grid's column captions), rows 1
// to 24 are the task rows (rows 0 to 23 of the table widget).
#pragma once

#include <QTableWidget>
#include <array>
#include <string>

#include "schedule/store.h"
#include "ui/delayspinbox.h"

namespace orvanel {

class WidgetScheduleView : public ScheduleView {
public:
    WidgetScheduleView(const std::array<QTableWidget*, kDayCount>& grids, DelaySpinBox& spin)
        : grids_(grids), spin_(spin) {}

    std::string Cell(int day, int column, int row) const override;
    void SetCell(int day, int column, int row, const std::string& text) override;
    std::string SpinText() const override;
    void SetSpinText(const std::string& text) override;

private:
    QTableWidget* Grid(int day) const;

    std::array<QTableWidget*, kDayCount> grids_;
    DelaySpinBox& spin_;
};

// Sets up a day grid: 5 columns, a header row and 24 task rows, each 24
// pixels high, editable in place, with a rectangular selection, columns that
// can be widened, and a Tab key that leaves the grid.
void SetUpDayGrid(QTableWidget& grid);

} // namespace orvanel
