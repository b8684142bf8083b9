#include "ui/daygrid.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>
#include <stdexcept>
#include <string>

#include "app/windowgeometry.h"
#include "app/windowtexts.h"
#include "schedule/celltext.h"
#include "schedule/store.h"
#include "ui/celltips.h"
#include "ui/qcp1252.h"

namespace orvanel {

namespace {

void CheckCell(int column, int row) {
    if (column < 0 || column >= kGridColumns || row < 0 || row >= kGridRows) {
        throw std::out_of_range("grid cell out of range");
    }
}

// Commits an edited cell as one line: a line break pasted into the editor
// would split the task line when the day file is read back.
class OneLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        const auto* line = qobject_cast<QLineEdit*>(editor);
        if (line == nullptr) {
            QStyledItemDelegate::setModelData(editor, model, index);
            return;
        }
        const std::u16string text = OneLineCell(line->text().toStdU16String());
        model->setData(index, QString::fromStdU16String(text), Qt::EditRole);
    }
};

} // namespace

DayGrid::DayGrid(QWidget* parent) : QTableWidget(parent) {
    setItemDelegate(new OneLineDelegate(this));
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
    // A click on the current cell is handled here, at once: the view's own
    // delayed editing after such a click turns keys typed meanwhile away.
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    // No fixed column.
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(kWindowGeometry.gridRowHeight);

    // The header row: fixed, as high as a task row, captions to the left,
    // columns widened or narrowed by dragging their borders.
    QHeaderView* header = horizontalHeader();
    header->setFixedHeight(kWindowGeometry.gridRowHeight);
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

// ---- Editing ----

namespace {

// Text that a key types into a cell: printable, with no command modifier.
bool TypesText(const QKeyEvent* event) {
    const Qt::KeyboardModifiers command = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if ((event->modifiers() & command) != 0 || event->text().isEmpty()) {
        return false;
    }
    for (const QChar c : event->text()) {
        if (!c.isPrint()) {
            return false;
        }
    }
    return true;
}

} // namespace

void DayGrid::keyboardSearch(const QString&) {
    // No jumping to a row by its first letter: typed keys edit the cell.
}

void DayGrid::keyPressEvent(QKeyEvent* event) {
    const QModelIndex current = currentIndex();
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (current.isValid() && state() != EditingState) {
        if (TypesText(event)) {
            // The editor opens with the key; nothing else moves.
            edit(current, AnyKeyPressed, event);
            event->accept();
            return;
        }
        if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
            edit(current);
            event->accept();
            return;
        }
        if (plain && event->key() == Qt::Key_Delete) {
            ClearSelectedCells();
            event->accept();
            return;
        }
        if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
            OpenRowMenu(visualRect(current).center()); // as the Menu key does
            event->accept();
            return;
        }
        if (plain && (event->key() == Qt::Key_Home || event->key() == Qt::Key_End)) {
            GoToColumn(event->key() == Qt::Key_Home ? 0 : model()->columnCount() - 1);
            event->accept();
            return;
        }
    }
    QTableWidget::keyPressEvent(event);
}

void DayGrid::ClearSelectedCells() {
    QModelIndexList cells = selectionModel()->selectedIndexes();
    if (cells.isEmpty()) {
        cells.append(currentIndex());
    }
    for (const QModelIndex& cell : cells) {
        model()->setData(cell, QString());
    }
    emit CellsEdited();
}

void DayGrid::commitData(QWidget* editor) {
    QTableWidget::commitData(editor);
    emit CellsEdited();
}

bool DayGrid::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        ShowCellTip(*this, *static_cast<QHelpEvent*>(event));
        return true;
    }
    return QTableWidget::viewportEvent(event);
}

void DayGrid::GoToColumn(int column) {
    const QModelIndex target = model()->index(currentIndex().row(), column);
    setCurrentIndex(target);
    ShowWhole(target);
}

bool DayGrid::ShowWhole(const QModelIndex& index) {
    const int left = horizontalScrollBar()->value();
    const int top = verticalScrollBar()->value();
    scrollTo(index, EnsureVisible);
    return horizontalScrollBar()->value() != left || verticalScrollBar()->value() != top;
}

void DayGrid::mousePressEvent(QMouseEvent* event) {
    const QModelIndex at = indexAt(event->position().toPoint());
    pressed_ = at;
    pressedCurrent_ = event->button() == Qt::LeftButton && event->modifiers() == Qt::NoModifier &&
                      at.isValid() && at == currentIndex() && selectionModel()->isSelected(at);
    QTableWidget::mousePressEvent(event);
}

void DayGrid::mouseReleaseEvent(QMouseEvent* event) {
    QTableWidget::mouseReleaseEvent(event);
    const QModelIndex at = indexAt(event->position().toPoint());
    scrolledByClick_ = false;
    if (!pressed_.isValid() || at != pressed_ || event->button() != Qt::LeftButton) {
        return;
    }
    if (pressedCurrent_ && state() != EditingState) {
        edit(at);
    } else {
        scrolledByClick_ = ShowWhole(at);
    }
}

void DayGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (scrolledByClick_ && currentIndex().isValid()) {
        scrolledByClick_ = false;
        edit(currentIndex());
        event->accept();
        return;
    }
    QTableWidget::mouseDoubleClickEvent(event);
}

bool DayGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    const bool opened = QTableWidget::edit(index, trigger, event);
    if (opened && state() == EditingState) {
        ShowWhole(index); // the editor moves along
    }
    return opened;
}

void DayGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    // Tab and Shift+Tab in the editor (the text is kept already) go on to
    // the next or previous control, not to the next cell.
    const bool next = hint == QAbstractItemDelegate::EditNextItem;
    const bool previous = hint == QAbstractItemDelegate::EditPreviousItem;
    QTableWidget::closeEditor(editor, next || previous ? QAbstractItemDelegate::NoHint : hint);
    if (next || previous) {
        focusNextPrevChild(next);
    }
}

} // namespace orvanel
