#include "ui/celltips.h"

#include <QAbstractItemView>
#include <QFont>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QStyle>
#include <QToolTip>

namespace orvanel {

QString CellTip(const QAbstractItemView& view, const QModelIndex& index) {
    if (!index.isValid()) {
        return {};
    }
    QString own = index.data(Qt::ToolTipRole).toString();
    if (!own.isEmpty()) {
        return own;
    }
    const QString text = index.data(Qt::DisplayRole).toString();
    const QVariant font = index.data(Qt::FontRole);
    const QFontMetrics metrics(font.isValid() ? font.value<QFont>() : view.font());
    // The item's text keeps a small margin on either side.
    const int margin = view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1;
    const int room = view.visualRect(index).width() - 2 * margin;
    return metrics.horizontalAdvance(text) > room ? text : QString();
}

void ShowCellTip(const QAbstractItemView& view, const QHelpEvent& event) {
    const QModelIndex index = view.indexAt(event.pos());
    const QString tip = CellTip(view, index);
    if (tip.isEmpty()) {
        QToolTip::hideText();
        return;
    }
    QToolTip::showText(event.globalPos(), tip, view.viewport(), view.visualRect(index));
}

} // namespace orvanel
