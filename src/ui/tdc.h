// The main window of the program, `dc`, in Qt: a status line and eight tab
// pages, the General page with the date, the calendar, the script delay, the
// save button and the two links, and one page per weekday with its day grid.
//
// This is a view: it makes the widgets, lays them out and forwards every
// event to the handler of the same name of the window logic (MainForm),
// which decides what happens. Widgets carry their component names as object
// names (`mongrid`, `spin1`, `BitBtn2`, ...).
#pragma once

#include <QMainWindow>
#include <array>
#include <deque>
#include <memory>
#include <string>

#include "app/mainform.h"
#include "app/mainview.h"
#include "app/windowtexts.h"
#include "desktop/desktop.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QStatusBar;
class QTimer;

namespace orvanel {

class DayGrid;
class ElidingLabel;
class HistoryPage;
class DelaySpinBox;
class MonthCalendar;
class PageControl;

class Tdc : public QMainWindow, private MainView {
    Q_OBJECT
public:
    // Creates the window with all its components and runs FormCreate. The
    // desktop services (and what `history` names) must outlive the window.
    explicit Tdc(DesktopServices& desktop, QWidget* parent = nullptr, HistoryAccess history = {});
    ~Tdc() override;

    // ---- Handlers: each hands the event to the window logic ----
    void FormActivate();
    void FormClose();
    void BitBtn1Click();
    void BitBtn2Click();
    void Timer1Timer();
    void Label9MouseMove();
    void Label10MouseMove();
    void TabSheet1MouseMove();
    void Label5MouseMove();
    void Label9Click();
    void Label10Click();
    // "Run now" for task row `row` (1 to 24) of day `day`; RunCurrentRow for
    // the current row of the day page shown (Ctrl+R).
    void RunNow(int day, int row);
    void RunCurrentRow();
    void RunOnceKeysAreUp(int day, int row);
    // "Start Orvanel when I log in" clicked.
    void AutostartClick(bool checked);

    // Shows a start-up notice in the status line until the user has seen it.
    void ShowNotice(const std::string& text);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateComponents(DesktopServices& desktop);
    void CreateStatusLine();
    void CreateGeneralPage(DesktopServices& desktop);
    void CreateAutostartBox(QWidget* page);
    void CreateTimer();
    void CreateHistoryPage();
    void PlaceAtScreenCentre();
    bool MouseEvent(QObject* watched, QEvent* event);

    // ---- MainView ----
    std::string Cell(int day, int column, int row) const override;
    void SetCell(int day, int column, int row, const std::string& text) override;
    std::string SpinText() const override;
    void SetSpinText(const std::string& text) override;
    bool Editing(int day) const override;
    void SetColumnWidth(int day, int column, int width) override;
    void SetDateText(const std::string& text) override;
    void SetManualCaption(const std::string& text) override;
    void SetLinkColour(Link link, LinkColour colour) override;
    void StartTimer(std::uint32_t milliseconds) override;
    void StopTimer() override;
    void ShowErrorBox(const std::string& text) override;
    bool AskQuestion(const std::string& text) override;
    void SetStatusText(const std::string& text) override;
    void HistoryChanged(std::size_t added, std::size_t dropped) override;
    void SetAutostartChecked(bool checked) override;
    std::string LocaleTextToUtf8(const std::string& text) const override;
    Q_INVOKABLE void OpenErrorBoxes();
    void OpenErrorBox(const std::string& text);

    std::unique_ptr<MainForm> form_;

    QStatusBar* statusBar_ = nullptr;
    ElidingLabel* statusPanel_ = nullptr;
    HistoryPage* historyPage_ = nullptr;
    PageControl* pageControl_ = nullptr;
    std::array<QWidget*, kPageCount> pages_{};
    std::array<DayGrid*, kDayCount> grids_{};
    QLabel* dateLabel_ = nullptr;
    QLabel* versionLabel_ = nullptr;
    QLabel* siteLink_ = nullptr;
    QLabel* manualLink_ = nullptr;
    DelaySpinBox* delayBox_ = nullptr;
    QCheckBox* autostartBox_ = nullptr;
    QTimer* timer_ = nullptr;
    // Run now waits for the modifiers to be let go (see RunOnceKeysAreUp).
    QTimer* keysUpTimer_ = nullptr;
    int pendingDay_ = 0;
    int pendingRow_ = 0;
    QLabel* pressedLink_ = nullptr;
    std::deque<std::string> boxesToOpen_;
};

} // namespace orvanel
