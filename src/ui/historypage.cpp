#include "ui/historypage.h"

#include <QBrush>
#include <QCheckBox>
#include <QColor>
#include <QHeaderView>
#include <QHelpEvent>
#include <QResizeEvent>
#include <algorithm>
#include <array>
#include <string>

#include "app/historytable.h"
#include "app/windowgeometry.h"
#include "app/windowtexts.h"
#include "ui/celltips.h"
#include "ui/elidinglabel.h"

namespace orvanel {

namespace {

// The background of a record that did not run as planned; none for the rest.
QVariant Mark(history::Outcome outcome) {
    switch (outcome) {
    case history::Outcome::Skipped:
        return QBrush(QColor(255, 240, 170));
    case history::Outcome::Missed:
        return QBrush(QColor(255, 210, 150));
    case history::Outcome::Error:
        return QBrush(QColor(255, 180, 180));
    default:
        return {};
    }
}

ElidingLabel* LineLabel(const char* name, QWidget* parent) {
    auto* label = new ElidingLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QString Utf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

HistoryModel::HistoryModel(const MainForm& form, QObject* parent)
    : QAbstractTableModel(parent), form_(form) {}

int HistoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int HistoryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(kHistoryColumns.size());
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
    const HistoryTable& table = form_.History();
    if (!index.isValid() || index.row() >= static_cast<int>(table.RowCount())) {
        return {};
    }
    const auto row = static_cast<std::size_t>(index.row());
    const auto column = static_cast<std::size_t>(index.column());
    switch (role) {
    case Qt::DisplayRole:
        return Utf8(table.CellText(row, column));
    case Qt::ToolTipRole: {
        const std::string tip = table.CellTip(row, column);
        return tip.empty() ? QVariant() : QVariant(Utf8(tip));
    }
    case Qt::BackgroundRole:
        return Mark(table.Row(row).outcome);
    default:
        return {};
    }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= static_cast<int>(kHistoryColumns.size())) {
        return {};
    }
    return QString::fromLatin1(kHistoryColumns.at(static_cast<std::size_t>(section)));
}

void HistoryModel::Changed(std::size_t added, std::size_t dropped) {
    const int gone = std::min(static_cast<int>(dropped), rows_);
    if (gone > 0) {
        beginRemoveRows({}, rows_ - gone, rows_ - 1);
        rows_ -= gone;
        endRemoveRows();
    }
    if (added > 0) {
        beginInsertRows({}, 0, static_cast<int>(added) - 1);
        rows_ += static_cast<int>(added);
        endInsertRows();
    }
    // Whatever was missed on the way (it should not be), the count follows the form.
    const auto size = static_cast<int>(form_.History().RowCount());
    if (rows_ != size) {
        beginResetModel();
        rows_ = size;
        endResetModel();
    } else if (added == 0 && dropped == 0 && rows_ > 0) {
        emit dataChanged(index(0, 0), index(rows_ - 1, columnCount({}) - 1));
    }
}

void HistoryTableView::FitColumns() {
    std::array<int, kHistoryColumnCount> content{};
    for (std::size_t column = 0; column < kDetailColumn; ++column) {
        resizeColumnToContents(static_cast<int>(column));
        content.at(column) = columnWidth(static_cast<int>(column));
    }
    const auto widths = HistoryColumnWidths(content, viewport()->width(), logicalDpiX());
    for (std::size_t column = 0; column < kDetailColumn; ++column) {
        setColumnWidth(static_cast<int>(column), widths.at(column));
    }
    // The Detail column, the last, stretches over the rest.
}

bool HistoryTableView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        ShowCellTip(*this, *static_cast<QHelpEvent*>(event));
        return true;
    }
    return QTableView::viewportEvent(event);
}

HistoryPage::HistoryPage(MainForm& form, QWidget* parent)
    : QWidget(parent), form_(form), nextTask_(LineLabel("NextTaskLabel", this)),
      problemsOnly_(new QCheckBox(QString::fromLatin1(kHistoryFilterCaption), this)),
      lastRun_(LineLabel("LastRunLabel", this)), model_(new HistoryModel(form, this)),
      table_(new HistoryTableView(this)), detail_(LineLabel("HistoryDetailLabel", this)) {
    problemsOnly_->setObjectName(QString::fromLatin1(kHistoryFilterName));
    problemsOnly_->setFocusPolicy(Qt::StrongFocus);
    connect(problemsOnly_, &QCheckBox::toggled, this, [this](bool only) {
        form_.HistoryFilterClick(only);
        problemsOnly_->setChecked(form_.History().ProblemsOnly());
    });

    table_->setObjectName(QStringLiteral("HistoryTable"));
    table_->setModel(model_);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(18);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &HistoryPage::ShowSelectedDetail);

    Changed(0, 0);
}

void HistoryPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const WindowGeometry& g = kWindowGeometry;
    const int lineStep = g.historyLineHeight + g.historyLineGap;
    const int width = std::max(1, this->width() - 2 * g.historyMargin);
    const int filterWidth = problemsOnly_->sizeHint().width();
    nextTask_->setGeometry(g.historyMargin, g.historyTop,
                           std::max(1, width - filterWidth - g.historyMargin), g.historyLineHeight);
    problemsOnly_->setGeometry(g.historyMargin + width - filterWidth, g.historyTop - 1, filterWidth,
                               g.historyLineHeight + 2);
    lastRun_->setGeometry(g.historyMargin, g.historyTop + lineStep, width, g.historyLineHeight);
    const int top = g.historyTop + 2 * lineStep + g.historyLineGap;
    const int bottom = height() - g.historyBottom - g.historyLineHeight;
    detail_->setGeometry(g.historyMargin, bottom, width, g.historyLineHeight);
    table_->setGeometry(g.historyMargin, top, width, std::max(1, bottom - g.historyLineGap - top));
    table_->FitColumns();
}

void HistoryPage::Changed(std::size_t added, std::size_t dropped) {
    nextTask_->setText(Utf8(form_.NextTaskText()));
    lastRun_->setText(Utf8(form_.LastRunText()));
    model_->Changed(added, dropped);
    table_->FitColumns();
    ShowSelectedDetail();
}

void HistoryPage::ShowSelectedDetail() {
    const QModelIndexList rows = table_->selectionModel()->selectedRows();
    const HistoryTable& history = form_.History();
    if (rows.size() != 1 || rows.front().row() >= static_cast<int>(history.RowCount())) {
        detail_->clear();
        return;
    }
    detail_->setText(Utf8(history.RowDetail(static_cast<std::size_t>(rows.front().row()))));
}

} // namespace orvanel
