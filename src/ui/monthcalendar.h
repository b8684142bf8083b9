// The read-only month calendar of the General page: a grid of 7 columns and
// 7 rows whose cells share its area evenly. Row 0 holds the abbreviated
// weekday names, Sunday in column 0; rows 1 to 6 hold the day numbers of the
// month, the first of the month in row 1 under its weekday, and the cells
// before the first and after the last day are empty. The day it was given is
// drawn highlighted. Nothing the user does moves the highlight: it takes no
// focus, ignores clicks and keys, and shows the not-allowed cursor.
#pragma once

#include <QPoint>
#include <QString>
#include <QWidget>
#include <array>

#include "desktop/desktop.h"

namespace orvanel {

class MonthCalendar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kColumns = 7;
    static constexpr int kRows = 7;

    // `dayNames`: the abbreviated weekday names, Sunday first.
    MonthCalendar(const SystemTime& date, const std::array<QString, 7>& dayNames,
                  QWidget* parent = nullptr);

    // The text of a cell: a weekday name in row 0, a day number or "" below.
    QString CellText(int column, int row) const;
    // The cell of the day given at creation.
    QPoint HighlightedCell() const { return highlighted_; }
    int Year() const { return year_; }
    int Month() const { return month_; }
    int Day() const { return day_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect CellRect(int column, int row) const;

    int year_;
    int month_;
    int day_;
    std::array<QString, 7> dayNames_;
    std::array<std::array<int, kColumns>, kRows> days_{}; // 0: empty cell
    QPoint highlighted_;
};

} // namespace orvanel
