// The main window of the program, `dc`: a status line and eight tab pages,
// the General page with the date, the calendar, the script delay, the save
// button and the two links, and one page per weekday with its day grid. The
// window owns the schedule store (the day lists and the settings), the
// scheduler and the minute timer.
//
// Every handler runs inside a guard: an error ends the handler, and its
// message is shown in the error box after the handler has returned. No
// exception leaves a handler.
#pragma once

#include <QHash>
#include <QLabel>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <array>
#include <memory>

#include "desktop/desktop.h"
#include "keys/keyoutput.h"
#include "schedule/store.h"
#include "scheduler/scheduler.h"
#include "ui/delayspinbox.h"
#include "ui/gridview.h"
#include "ui/monthcalendar.h"
#include "ui/pagecontrol.h"

class QMessageBox;

namespace orvanel {

// The application title: the caption of the window and of the error box.
inline constexpr const char* kApplicationTitle = "Orvanel";
// The vendor's web site, as the link shows it and the address it opens.
inline constexpr const char* kVendorSiteName = "www.orvanel.example";
inline constexpr const char* kVendorAddress = "http://www.orvanel.example/";
// The manual, opened from the working directory.
inline constexpr const char* kManualFileName = "schedule.html";
inline constexpr const char* kStatusText =
    "Click the GENERAL Tab and choose SAVE to save your data!!!";
inline constexpr const char* kVersionText = "Ver. 1.0";
inline constexpr int kTimerInterval = 60000;

// Pure blue and pure red of the links.
inline const QColor kLinkBlue{0, 0, 255};
inline const QColor kLinkRed{255, 0, 0};

class Tdc : public QMainWindow {
    Q_OBJECT
public:
    // Creates the window with all its components and runs FormCreate. The
    // desktop services must outlive the window.
    explicit Tdc(DesktopServices& desktop, QWidget* parent = nullptr);
    ~Tdc() override;

    // ---- Components ----
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusBar1Panel = nullptr; // the status line's one panel
    PageControl* pagectrl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QWidget* TabSheet4 = nullptr;
    QWidget* TabSheet5 = nullptr;
    QWidget* Tabsheet6 = nullptr;
    QWidget* tabsheet7 = nullptr;
    QWidget* TabSheet8 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label10 = nullptr;
    MonthCalendar* Calendar1 = nullptr;
    QLabel* Image1 = nullptr;
    DelaySpinBox* spin1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QTableWidget* mongrid = nullptr;
    QTableWidget* tuegrid = nullptr;
    QTableWidget* wedgrid = nullptr;
    QTableWidget* thugrid = nullptr;
    QTableWidget* frigrid = nullptr;
    QTableWidget* satgrid = nullptr;
    QTableWidget* sungrid = nullptr;
    QTimer* Timer1 = nullptr;

    // The day grids, Monday first.
    std::array<QTableWidget*, kDayCount> DayGrids() const;

    // ---- Handlers ----
    void FormCreate();
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

    // ---- State ----
    const ScheduleStore& Store() const { return *store_; }
    Scheduler& TheScheduler() { return *scheduler_; }
    bool FirstActivation() const { return firstActivation_; }
    // The error boxes now open, oldest first.
    QList<QMessageBox*> ErrorBoxes() const;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateComponents();
    void CreateGeneralPage();
    QTableWidget* CreateDayPage(QWidget*& page, const char* pageName, const char* caption,
                                const char* gridName);
    void SetLabel2(const std::string& text);
    void PlaceAtScreenCentre();

    // Runs one handler; an error it raises is reported, never passed on.
    template <class Handler> void Guard(Handler&& handler);
    // Shows `message` + "." in an error box once the running handler has
    // returned, unless a box with the same message is open already.
    void ReportError(const QString& message);
    void ShowErrorBox(const QString& message);

    DesktopServices& desktop_;
    LocaleInfo locale_; // read once, at start-up
    KeyOutput keys_;
    std::unique_ptr<WidgetScheduleView> view_;
    std::unique_ptr<ScheduleStore> store_;
    std::unique_ptr<Scheduler> scheduler_;
    WindowHandle owner_ = kNoWindow;
    bool firstActivation_ = false;
    QLabel* pressedLink_ = nullptr;
    // Messages reported and not yet dismissed, with their box once shown.
    QHash<QString, QPointer<QMessageBox>> reports_;
    QList<QString> reportOrder_;
};

} // namespace orvanel
