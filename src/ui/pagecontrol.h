// The tab control of the main window. Its tabs wrap onto further rows when
// they do not fit on one, the row of the current tab lying next to the page;
// as long as they fit, it looks and behaves as an ordinary tab widget. While
// the tabs have the keyboard focus, the current one shows a focus frame.
#pragma once

#include <QStyleOptionTab>
#include <QStylePainter>
#include <QTabBar>
#include <QTabWidget>
#include <QVector>

namespace orvanel {

class WrappingTabBar : public QTabBar {
    Q_OBJECT
public:
    explicit WrappingTabBar(QWidget* parent = nullptr);

    // The tabs' places for a bar `width` pixels wide, by tab index.
    QVector<QRect> TabPlaces(int width) const;
    // How many rows the tabs take at the bar's present width.
    int RowCount() const;
    // The tab at a point, or -1 (works with one row and with several).
    int TabAtPoint(const QPoint& point) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    QSize tabSizeHint(int index) const override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void tabLayoutChange() override;

private:
    // The width that the tabs may take: that of the tab control.
    int AvailableWidth() const;
    // The rows of tab indexes at a width, the first row topmost.
    QVector<QVector<int>> Rows(int width) const;
    void DrawFocus(QStylePainter& painter, const QStyleOptionTab& tab) const;
};

class PageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit PageControl(QWidget* parent = nullptr);
    WrappingTabBar* Bar() const { return bar_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    WrappingTabBar* bar_;
};

} // namespace orvanel
