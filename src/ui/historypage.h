// The History page: the "Next task:" and "Last run:" lines above a read-only
// table of the latest run records, newest first. Records whose outcome is
// skipped, missed or error are marked so that they stand out. The page reads
// everything from the window logic; Changed() tells it what changed.
#pragma once

#include <QAbstractTableModel>
#include <QWidget>
#include <cstddef>

#include "app/mainform.h"

class QLabel;
class QTableView;

namespace orvanel {

// The records of the form as table rows, one column per record field.
class HistoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    HistoryModel(const MainForm& form, QObject* parent);

    int rowCount(const QModelIndex& parent) const override;
    int columnCount(const QModelIndex& parent) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The form's records gained `added` at the front and lost `dropped` at
    // the back.
    void Changed(std::size_t added, std::size_t dropped);

private:
    const MainForm& form_;
    int rows_ = 0; // the rows the attached views know of
};

class HistoryPage : public QWidget {
    Q_OBJECT
public:
    explicit HistoryPage(const MainForm& form, QWidget* parent = nullptr);

    void Changed(std::size_t added, std::size_t dropped);

protected:
    // The lines keep the top, the table takes the rest. The page has no
    // layout: like the day pages it asks the window for no room, so the
    // window keeps its size.
    void resizeEvent(QResizeEvent* event) override;

private:
    const MainForm& form_;
    QLabel* nextTask_;
    QLabel* lastRun_;
    HistoryModel* model_;
    QTableView* table_;
};

} // namespace orvanel
