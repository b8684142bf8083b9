#include "ui/pagecontrol.h"

#include <QMouseEvent>
#include <QStyleOptionTab>
#include <QStylePainter>
#include <algorithm>

namespace orvanel {

WrappingTabBar::WrappingTabBar(QWidget* parent) : QTabBar(parent) {
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideNone);
    setExpanding(false);
    setDrawBase(false);
}

// A tab is as wide as its caption and a small margin on either side, as
// tabs of the platform's own tab control are, rather than the roomier tabs of
// the widget style: so the nine pages' tabs fit the window's width in one row.
QSize WrappingTabBar::tabSizeHint(int index) const {
    constexpr int kCaptionMargin = 7;
    QSize size = QTabBar::tabSizeHint(index);
    const int tight = fontMetrics().horizontalAdvance(tabText(index)) + 2 * kCaptionMargin;
    size.setWidth(std::min(size.width(), tight));
    return size;
}

int WrappingTabBar::AvailableWidth() const {
    const QWidget* control = parentWidget();
    return control != nullptr ? control->width() : width();
}

QVector<QVector<int>> WrappingTabBar::Rows(int width) const {
    QVector<QVector<int>> rows;
    int used = 0;
    for (int i = 0; i < count(); ++i) {
        const int w = tabSizeHint(i).width();
        if (rows.isEmpty() || (used + w > width && !rows.back().isEmpty())) {
            rows.append(QVector<int>());
            used = 0;
        }
        rows.back().append(i);
        used += w;
    }
    return rows;
}

int WrappingTabBar::RowCount() const {
    return std::max<int>(1, static_cast<int>(Rows(AvailableWidth()).size()));
}

QVector<QRect> WrappingTabBar::TabPlaces(int width) const {
    QVector<QRect> places(count());
    QVector<QVector<int>> rows = Rows(width);
    if (rows.isEmpty()) {
        return places;
    }
    // The row of the current tab lies next to the page, at the bottom.
    const int current = currentIndex();
    for (qsizetype r = 0; r < rows.size(); ++r) {
        if (rows[r].contains(current) && r != rows.size() - 1) {
            const QVector<int> row = rows.takeAt(r);
            rows.append(row);
            break;
        }
    }
    const int rowHeight = count() > 0 ? tabSizeHint(0).height() : 0;
    const bool several = rows.size() > 1;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const QVector<int>& row = rows[r];
        int natural = 0;
        for (const int i : row) {
            natural += tabSizeHint(i).width();
        }
        // With several rows every row is spread over the whole width.
        const int spare = several ? std::max(0, width - natural) : 0;
        int x = 0;
        for (qsizetype k = 0; k < row.size(); ++k) {
            const int i = row[k];
            int w = tabSizeHint(i).width() + static_cast<int>(spare / row.size());
            if (several && k == row.size() - 1) {
                w = width - x; // the last tab takes what is left
            }
            places[i] = QRect(x, static_cast<int>(r) * rowHeight, w, rowHeight);
            x += w;
        }
    }
    return places;
}

int WrappingTabBar::TabAtPoint(const QPoint& point) const {
    if (RowCount() == 1) {
        return tabAt(point);
    }
    const QVector<QRect> places = TabPlaces(width());
    for (int i = 0; i < places.size(); ++i) {
        if (places[i].contains(point)) {
            return i;
        }
    }
    return -1;
}

QSize WrappingTabBar::sizeHint() const {
    const QSize one = QTabBar::sizeHint();
    const int rows = RowCount();
    if (rows == 1) {
        return one;
    }
    return QSize(AvailableWidth(), rows * tabSizeHint(0).height());
}

QSize WrappingTabBar::minimumSizeHint() const {
    const QSize hint = sizeHint();
    return QSize(count() > 0 ? tabSizeHint(0).width() : 0, hint.height());
}

void WrappingTabBar::paintEvent(QPaintEvent* /*event*/) {
    QStylePainter painter(this);
    const bool oneRow = RowCount() == 1;
    const QVector<QRect> places = oneRow ? QVector<QRect>() : TabPlaces(width());
    const int current = currentIndex();
    // The current tab last, so that it lies on top of its neighbours.
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < count(); ++i) {
            if ((i == current) != (pass == 1)) {
                continue;
            }
            QStyleOptionTab option;
            initStyleOption(&option, i);
            if (!oneRow) {
                option.rect = places[i];
                option.position = QStyleOptionTab::Middle;
                option.selectedPosition = QStyleOptionTab::NotAdjacent;
            }
            if (i != current) {
                option.state &= ~QStyle::State_Selected;
            }
            painter.drawControl(QStyle::CE_TabBarTabShape, option);
            // The caption centred on the whole tab: the style's own label
            // margins are wider than a tab as tight as these leaves room for.
            painter.drawItemText(option.rect, Qt::AlignCenter | Qt::TextShowMnemonic, palette(),
                                 isTabEnabled(i), option.text, QPalette::WindowText);
            if (i == current && hasFocus()) {
                DrawFocus(painter, option);
            }
        }
    }
}

// The keyboard focus: a focus frame round the current tab's caption, as the
// platform's tab control draws it.
void WrappingTabBar::DrawFocus(QStylePainter& painter, const QStyleOptionTab& tab) const {
    constexpr int kFrameMargin = 3;
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.state |= QStyle::State_KeyboardFocusChange;
    const QRect caption = fontMetrics().boundingRect(tab.rect, Qt::AlignCenter, tab.text);
    focus.rect = caption.adjusted(-kFrameMargin, -1, kFrameMargin, 1).intersected(tab.rect);
    focus.backgroundColor = palette().color(QPalette::Window);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
}

void WrappingTabBar::mousePressEvent(QMouseEvent* event) {
    if (RowCount() == 1 || event->button() != Qt::LeftButton) {
        QTabBar::mousePressEvent(event);
        return;
    }
    const int index = TabAtPoint(event->position().toPoint());
    if (index >= 0 && isTabEnabled(index)) {
        setCurrentIndex(index);
    }
    event->accept();
}

void WrappingTabBar::resizeEvent(QResizeEvent* event) {
    QTabBar::resizeEvent(event);
    update();
}

void WrappingTabBar::tabLayoutChange() {
    QTabBar::tabLayoutChange();
    updateGeometry();
}

PageControl::PageControl(QWidget* parent) : QTabWidget(parent), bar_(new WrappingTabBar(this)) {
    setTabBar(bar_);
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideNone);
    // A new current tab may change which row lies next to the page.
    connect(bar_, &QTabBar::currentChanged, bar_, [this] { bar_->update(); });
}

void PageControl::resizeEvent(QResizeEvent* event) {
    // The number of tab rows follows the width; the layout is made anew.
    bar_->updateGeometry();
    QTabWidget::resizeEvent(event);
}

} // namespace orvanel
