#include "ui/monthcalendar.h"

#include <QPaintEvent>
#include <QPainter>

#include "app/monthgrid.h"

namespace orvanel {

MonthCalendar::MonthCalendar(const SystemTime& date, const std::array<QString, 7>& dayNames,
                             QWidget* parent)
    : QWidget(parent), year_(date.year), month_(date.month), day_(date.day), dayNames_(dayNames) {
    const MonthGrid grid = MakeMonthGrid(date);
    for (std::size_t week = 0; week < grid.days.size(); ++week) {
        days_.at(week + 1) = grid.days[week];
    }
    highlighted_ = QPoint(grid.column, grid.week + 1);

    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ForbiddenCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QString MonthCalendar::CellText(int column, int row) const {
    if (column < 0 || column >= kColumns || row < 0 || row >= kRows) {
        return {};
    }
    if (row == 0) {
        return dayNames_[static_cast<std::size_t>(column)];
    }
    const int d = days_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
    return d == 0 ? QString() : QString::number(d);
}

QRect MonthCalendar::CellRect(int column, int row) const {
    const int left = column * width() / kColumns;
    const int right = (column + 1) * width() / kColumns;
    const int top = row * height() / kRows;
    const int bottom = (row + 1) * height() / kRows;
    return QRect(left, top, right - left, bottom - top);
}

void MonthCalendar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& pal = palette();
    painter.fillRect(rect(), pal.color(QPalette::Base));
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            const QRect cell = CellRect(column, row);
            QColor text = pal.color(QPalette::Text);
            if (row == 0) {
                painter.fillRect(cell, pal.color(QPalette::Button));
                text = pal.color(QPalette::ButtonText);
            } else if (QPoint(column, row) == highlighted_) {
                painter.fillRect(cell, pal.color(QPalette::Highlight));
                text = pal.color(QPalette::HighlightedText);
            }
            painter.setPen(text);
            painter.drawText(cell, Qt::AlignCenter, CellText(column, row));
        }
    }
    // Lines between all cells.
    painter.setPen(pal.color(QPalette::Mid));
    for (int column = 1; column < kColumns; ++column) {
        const int x = column * width() / kColumns - 1;
        painter.drawLine(x, 0, x, height() - 1);
    }
    for (int row = 1; row < kRows; ++row) {
        const int y = row * height() / kRows - 1;
        painter.drawLine(0, y, width() - 1, y);
    }
    painter.setPen(pal.color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace orvanel
