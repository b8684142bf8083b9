// The History page: the "Next task:" and "Last run:" lines and the filter
// (all runs, or only the problems) above a read-only table of the latest run
// records, newest first, and under it the whole detail of the selected row.
// Records whose outcome is skipped, missed or error are marked so that they
// stand out. Each column is as wide as its content (the EXE name and the
// Window Title up to a limit), and the Detail column takes the rest. A cut
// text shows whole as its tool tip; a time shows its full ISO value. The page
// reads everything from the window logic; Changed() tells it what changed.
#pragma once

#include <QAbstractTableModel>
#include <QTableView>
#include <QWidget>
#include <cstddef>

#include "app/mainform.h"

class QCheckBox;

namespace orvanel {

class ElidingLabel;

// The rows of the form's History() as table rows, one column per record
// field.
class HistoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    HistoryModel(const MainForm& form, QObject* parent);

    int rowCount(const QModelIndex& parent) const override;
    int columnCount(const QModelIndex& parent) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The rows gained `added` at the front and lost `dropped` at the back
    // (both 0: the texts may have changed).
    void Changed(std::size_t added, std::size_t dropped);

private:
    const MainForm& form_;
    int rows_ = 0; // the rows the attached views know of
};

// The table, with the tool tips of its cells.
class HistoryTableView : public QTableView {
    Q_OBJECT
public:
    using QTableView::QTableView;
    // Each column as wide as its content, the Detail column the rest.
    void FitColumns();

protected:
    bool viewportEvent(QEvent* event) override;
};

class HistoryPage : public QWidget {
    Q_OBJECT
public:
    explicit HistoryPage(MainForm& form, QWidget* parent = nullptr);

    void Changed(std::size_t added, std::size_t dropped);

protected:
    // The lines keep the top, the detail line the bottom, the table takes the
    // rest. The page has no layout: like the day pages it asks the window for
    // no room, so the window keeps its size.
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowSelectedDetail();

    MainForm& form_;
    ElidingLabel* nextTask_;
    QCheckBox* problemsOnly_;
    ElidingLabel* lastRun_;
    HistoryModel* model_;
    HistoryTableView* table_;
    ElidingLabel* detail_;
};

} // namespace orvanel
