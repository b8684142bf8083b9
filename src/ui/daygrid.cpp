#include "ui/gridview.h"

#include <QHeaderView>
#include <stdexcept>

#include "ui/cp1252.h"

namespace orvanel {

namespace {

constexpr int kRowHeight = 24;

} // namespace

QTableWidget* WidgetScheduleView::Grid(int day) const {
    return grids_.at(static_cast<std::size_t>(day));
}

std::string WidgetScheduleView::Cell(int day, int column, int row) const {
    QTableWidget* grid = Grid(day);
    if (column < 0 || column >= kGridColumns || row < 0 || row >= kGridRows) {
        throw std::out_of_range("grid cell out of range");
    }
    const QTableWidgetItem* item =
        row == 0 ? grid->horizontalHeaderItem(column) : grid->item(row - 1, column);
    return item == nullptr ? std::string() : ToCp1252(item->text());
}

void WidgetScheduleView::SetCell(int day, int column, int row, const std::string& text) {
    QTableWidget* grid = Grid(day);
    if (column < 0 || column >= kGridColumns || row < 0 || row >= kGridRows) {
        throw std::out_of_range("grid cell out of range");
    }
    const QString value = FromCp1252(text);
    if (row == 0) {
        QTableWidgetItem* header = grid->horizontalHeaderItem(column);
        if (header == nullptr) {
            grid->setHorizontalHeaderItem(column, new QTableWidgetItem(value));
        } else {
            header->setText(value);
        }
        return;
    }
    QTableWidgetItem* item = grid->item(row - 1, column);
    if (item == nullptr) {
        if (value.isEmpty()) {
            return;
        }
        grid->setItem(row - 1, column, new QTableWidgetItem(value));
    } else {
        item->setText(value);
    }
}

std::string WidgetScheduleView::SpinText() const {
    return ToCp1252(spin_.rawText());
}

void WidgetScheduleView::SetSpinText(const std::string& text) {
    spin_.setRawText(FromCp1252(text));
}

void SetUpDayGrid(QTableWidget& grid) {
    grid.setColumnCount(kGridColumns);
    grid.setRowCount(kTaskRows);
    for (int column = 0; column < kGridColumns; ++column) {
        grid.setHorizontalHeaderItem(column, new QTableWidgetItem());
    }
    grid.setShowGrid(true);
    grid.setWordWrap(false);
    grid.setTextElideMode(Qt::ElideNone); // a long text is cut at the cell's edge
    grid.setCornerButtonEnabled(false);
    grid.setTabKeyNavigation(false);
    grid.setSelectionMode(QAbstractItemView::ContiguousSelection);
    grid.setSelectionBehavior(QAbstractItemView::SelectItems);
    grid.setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                         QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    grid.setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    grid.setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    grid.setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    // No fixed column.
    grid.verticalHeader()->hide();
    grid.verticalHeader()->setMinimumSectionSize(1);
    grid.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid.verticalHeader()->setDefaultSectionSize(kRowHeight);

    // The header row: fixed, as high as a task row, captions to the left,
    // columns widened or narrowed by dragging their borders.
    QHeaderView* header = grid.horizontalHeader();
    header->setFixedHeight(kRowHeight);
    header->setMinimumSectionSize(1);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(false);
    header->setHighlightSections(false);
    header->setSectionsClickable(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

} // namespace orvanel
