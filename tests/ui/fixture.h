// The fixture of the GUI tests: a recording desktop, a fresh working
// directory, and the main window started, closed and started again in it.
#pragma once

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "desktop/recording/recording.h"
#include "support/tempdir.h"
#include "ui/daygrid.h"
#include "ui/delayspinbox.h"
#include "ui/monthcalendar.h"
#include "ui/pagecontrol.h"
#include "ui/tdc.h"

// Readable QStrings in test messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace orvanel::test {

// A system log that keeps its messages instead of sending them.
class KeptSystemLog : public history::SystemLog {
public:
    using SystemLog::Send;
    void Send(history::Severity, const std::string& message) noexcept override {
        messages.push_back(message);
    }
    std::vector<std::string> messages;
};

class UiTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.Path());
        desktop_.SetLocalTime(2026, 1, 5, 7, 0, 30); // a Monday
    }

    void TearDown() override {
        window_.reset();
        std::filesystem::current_path(previous_);
    }

    // Creates the window (FormCreate runs) and shows it.
    Tdc& Start() {
        window_ = std::make_unique<Tdc>(desktop_, nullptr, HistoryAccess{nullptr, &systemLog_});
        window_->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        QApplication::processEvents();
        return *window_;
    }

    // Closes the window through its frame (FormClose runs) and destroys it.
    void Close() {
        ASSERT_TRUE(window_);
        window_->close();
        QApplication::processEvents();
        window_.reset();
    }

    Tdc& Restart() {
        Close();
        return Start();
    }

    Tdc& W() { return *window_; }

    // The window's component of that name (`mongrid`, `spin1`, `BitBtn2`, ...).
    template <class T = QWidget> T* Find(const char* name) {
        T* found = window_->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QLabel* Label(const char* name) { return Find<QLabel>(name); }
    DayGrid* Grid(const char* name) { return Find<DayGrid>(name); }
    PageControl* Pages() { return Find<PageControl>("pagectrl1"); }
    DelaySpinBox* Spin() { return Find<DelaySpinBox>("spin1"); }

    std::filesystem::path File(const char* name) const { return dir_ / name; }
    std::string Bytes(const char* name) const { return ReadBytes(dir_ / name); }

    // Types `text` into a task cell (row 1 to 24) through the grid's editor.
    void TypeCell(QTableWidget* grid, int row, int column, const QString& text) {
        ShowPageOf(grid);
        grid->setCurrentCell(row - 1, column);
        QTest::keyClick(grid, Qt::Key_F2);
        auto* editor = grid->viewport()->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr) << "no cell editor opened";
        editor->selectAll();
        for (const QChar c : text) {
            QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
        QTest::keyClick(editor, Qt::Key_Return);
        QApplication::processEvents();
    }

    QString CellText(QTableWidget* grid, int row, int column) {
        const QTableWidgetItem* item = grid->item(row - 1, column);
        return item == nullptr ? QString() : item->text();
    }

    void ShowPageOf(QWidget* widget) {
        PageControl* pages = Pages();
        for (int i = 0; i < pages->count(); ++i) {
            if (pages->widget(i)->isAncestorOf(widget)) {
                pages->setCurrentIndex(i);
            }
        }
        QApplication::processEvents();
    }

    // Presses "Save Data" with the mouse, on the General page.
    void ClickSave() {
        Pages()->setCurrentIndex(0);
        QApplication::processEvents();
        QTest::mouseClick(Find<QPushButton>("BitBtn2"), Qt::LeftButton);
        QApplication::processEvents();
    }

    // The error boxes now open.
    QList<QMessageBox*> OpenErrorBoxes() {
        QList<QMessageBox*> boxes;
        for (QMessageBox* box : W().findChildren<QMessageBox*>(QStringLiteral("ErrorBox"))) {
            if (box->isVisible()) {
                boxes.append(box);
            }
        }
        return boxes;
    }
    QStringList OpenErrorTexts() {
        QStringList texts;
        for (QMessageBox* box : OpenErrorBoxes()) {
            texts.append(box->text());
        }
        return texts;
    }

    void DismissErrors() {
        for (QMessageBox* box : OpenErrorBoxes()) {
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        }
        QApplication::processEvents();
    }

    RecordingDesktop desktop_;
    KeptSystemLog systemLog_;
    TempDir dir_;
    std::filesystem::path previous_;
    std::unique_ptr<Tdc> window_;
};

inline std::string ToStd(const QString& text) {
    return text.toStdString();
}

} // namespace orvanel::test
