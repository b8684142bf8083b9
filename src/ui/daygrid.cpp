#include "ui/daygrid.h"

#include <QHeaderView>
#include <QKeySequence>
#include <QMenu>
#include <algorithm>
#include <stdexcept>

#include "app/windowtexts.h"
#include "schedule/store.h"
#include "ui/qcp1252.h"

namespace orvanel {

namespace {

constexpr int kRowHeight = 24;

void CheckCell(int column, int row) {
    if (column < 0 || column >= kGridColumns || row < 0 || row >= kGridRows) {
        throw std::out_of_range("grid cell out of range");
    }
}

} // namespace

DayGrid::DayGrid(QWidget* parent) : QTableWidget(parent) {
    setColumnCount(kGridColumns);
    setRowCount(kTaskRows);
    for (int column = 0; column < kGridColumns; ++column) {
        setHorizontalHeaderItem(column, new QTableWidgetItem());
    }
    setShowGrid(true);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone); // a long text is cut at the cell's edge
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                    QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    // No fixed column.
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(kRowHeight);

    // The header row: fixed, as high as a task row, captions to the left,
    // columns widened or narrowed by dragging their borders.
    QHeaderView* header = horizontalHeader();
    header->setFixedHeight(kRowHeight);
    header->setMinimumSectionSize(1);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(false);
    header->setHighlightSections(false);
    header->setSectionsClickable(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &DayGrid::OpenRowMenu);
}

void DayGrid::CommitEdit() {
    if (state() != QAbstractItemView::EditingState) {
        return;
    }
    QWidget* editor = indexWidget(currentIndex());
    if (editor != nullptr) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

QMenu* DayGrid::MakeRowMenu(int row) {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("RowMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* run = menu->addAction(QString::fromLatin1(kRunNowCaption));
    run->setShortcut(
        QKeySequence(QString::fromLatin1(kRunNowKey))); // shown; the window has the key
    connect(run, &QAction::triggered, this, [this, row] { emit RunNowRequested(row); });
    return menu;
}

void DayGrid::OpenRowMenu(const QPoint& position) {
    const int row = rowAt(position.y());
    if (row < 0) {
        return;
    }
    setCurrentCell(row, std::max(currentColumn(), 0));
    MakeRowMenu(row + 1)->popup(viewport()->mapToGlobal(position));
}

std::string DayGrid::CellText(int column, int row) const {
    CheckCell(column, row);
    const QTableWidgetItem* cell = row == 0 ? horizontalHeaderItem(column) : item(row - 1, column);
    return cell == nullptr ? std::string() : ToCp1252(cell->text());
}

void DayGrid::SetCellText(int column, int row, const std::string& text) {
    CheckCell(column, row);
    const QString value = FromCp1252(text);
    if (row == 0) {
        horizontalHeaderItem(column)->setText(value);
        return;
    }
    QTableWidgetItem* cell = item(row - 1, column);
    if (cell != nullptr) {
        cell->setText(value);
    } else if (!value.isEmpty()) {
        setItem(row - 1, column, new QTableWidgetItem(value));
    }
}

} // namespace orvanel
