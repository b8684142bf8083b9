#include "ui/historypage.h"

#include <QBrush>
#include <QColor>
#include <QHeaderView>
#include <QLabel>
#include <QResizeEvent>
#include <QTableView>
#include <algorithm>
#include <string>

#include "app/windowgeometry.h"
#include "app/windowtexts.h"

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

QLabel* LineLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText); // texts of the day files and the history
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
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
    const auto& records = form_.HistoryRecords();
    if (!index.isValid() || index.row() >= static_cast<int>(records.size())) {
        return {};
    }
    const history::HistoryLine& entry = records[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
        const std::string_view text =
            history::HistoryField(entry, static_cast<std::size_t>(index.column()));
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }
    case Qt::BackgroundRole:
        return Mark(entry.outcome);
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
    const auto size = static_cast<int>(form_.HistoryRecords().size());
    if (rows_ != size) {
        beginResetModel();
        rows_ = size;
        endResetModel();
    }
}

HistoryPage::HistoryPage(const MainForm& form, QWidget* parent)
    : QWidget(parent), form_(form), nextTask_(LineLabel("NextTaskLabel", this)),
      lastRun_(LineLabel("LastRunLabel", this)), model_(new HistoryModel(form, this)),
      table_(new QTableView(this)) {
    table_->setObjectName(QStringLiteral("HistoryTable"));
    table_->setModel(model_);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(18);
    table_->horizontalHeader()->setStretchLastSection(true);

    Changed(0, 0);
}

void HistoryPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const WindowGeometry& g = kWindowGeometry;
    const int lineStep = g.historyLineHeight + g.historyLineGap;
    const int width = std::max(1, this->width() - 2 * g.historyMargin);
    nextTask_->setGeometry(g.historyMargin, g.historyTop, width, g.historyLineHeight);
    lastRun_->setGeometry(g.historyMargin, g.historyTop + lineStep, width, g.historyLineHeight);
    const int top = g.historyTop + 2 * lineStep + g.historyLineGap;
    table_->setGeometry(g.historyMargin, top, width, std::max(1, height() - top - g.historyTop));
}

void HistoryPage::Changed(std::size_t added, std::size_t dropped) {
    nextTask_->setText(QString::fromStdString(form_.NextTaskText()));
    lastRun_->setText(QString::fromStdString(form_.LastRunText()));
    model_->Changed(added, dropped);
}

} // namespace orvanel
