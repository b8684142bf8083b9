#include "ui/tdc.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <exception>
#include <string>
#include <utility>

#include "desktop/datetimetext.h"
#include "schedule/error.h"
#include "ui/artwork.h"
#include "ui/pagecontrol.h"
#include "ui/qcp1252.h"

namespace orvanel {

namespace {

// The outer size of the window with its frame, and its client area.
constexpr int kOuterWidth = 588;
constexpr int kOuterHeight = 276;
constexpr int kClientWidth = 580;
constexpr int kClientHeight = 249;
constexpr int kStatusHeight = 24;

// The header captions and column widths of the day grids.
constexpr std::array<const char*, kGridColumns> kColumnCaptions = {"EXE name", "Window Title",
                                                                   "Hour", "Min.", "Script"};
constexpr std::array<int, kGridColumns> kColumnWidths = {128, 128, 60, 60, 156};

// "MS Sans Serif", 8 point, 11 pixels high, or the nearest font at hand.
QFont SansSerif8() {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("DejaVu Sans")});
    font.setPixelSize(11);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

// "Times New Roman", bold, 16 point, 21 pixels high, or the nearest font.
QFont TimesBold16() {
    QFont font;
    font.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                      QStringLiteral("Tinos"), QStringLiteral("DejaVu Serif")});
    font.setPixelSize(21);
    font.setBold(true);
    font.setStyleHint(QFont::Serif);
    return font;
}

void SetTextColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

// Texts of the locale (weekday names, the date-time text) come in the
// locale's own character set.
QString LocaleText(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

// A label sizes itself to its text; it keeps its left and top.
void AutoSize(QLabel* label) {
    label->resize(label->sizeHint());
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int left, int top,
                  int width, int height) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(left, top, width, height);
    label->setTextFormat(Qt::PlainText);
    label->setFocusPolicy(Qt::NoFocus);
    AutoSize(label);
    return label;
}

} // namespace

Tdc::Tdc(DesktopServices& desktop, QWidget* parent)
    : QMainWindow(parent), desktop_(desktop), locale_(desktop.GetLocaleInfoA()), keys_(desktop) {
    CreateComponents();
    view_ = std::make_unique<WidgetScheduleView>(DayGrids(), *spin1);
    store_ = std::make_unique<ScheduleStore>(*view_);
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        owner_ = static_cast<WindowHandle>(winId());
    }
    scheduler_ = std::make_unique<Scheduler>(keys_, *store_, owner_);
    FormCreate();
}

Tdc::~Tdc() = default;

std::array<QTableWidget*, kDayCount> Tdc::DayGrids() const {
    return {mongrid, tuegrid, wedgrid, thugrid, frigrid, satgrid, sungrid};
}

// ---- Components ----

void Tdc::CreateComponents() {
    setObjectName(QStringLiteral("dc"));
    setWindowTitle(QString::fromLatin1(kApplicationTitle));
    setWindowIcon(StopwatchIcon());
    setFont(SansSerif8());
    setAttribute(Qt::WA_DeleteOnClose, false);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(true);
    StatusBar1->setFixedHeight(kStatusHeight);
    StatusBar1Panel = new QLabel(QString::fromLatin1(kStatusText), StatusBar1);
    StatusBar1Panel->setObjectName(QStringLiteral("StatusBar1Panel"));
    StatusBar1Panel->setTextFormat(Qt::PlainText);
    StatusBar1Panel->setMinimumWidth(1); // a narrow window cuts the text
    StatusBar1->addWidget(StatusBar1Panel, 1);
    setStatusBar(StatusBar1);

    pagectrl1 = new PageControl(this);
    pagectrl1->setObjectName(QStringLiteral("pagectrl1"));
    pagectrl1->setFocusPolicy(Qt::TabFocus);
    setCentralWidget(pagectrl1);

    TabSheet1 = new QWidget();
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    pagectrl1->addTab(TabSheet1, QStringLiteral("General"));
    CreateGeneralPage();
    mongrid = CreateDayPage(TabSheet2, "TabSheet2", "Monday", "mongrid");
    tuegrid = CreateDayPage(TabSheet3, "TabSheet3", "Tuesday", "tuegrid");
    wedgrid = CreateDayPage(TabSheet4, "TabSheet4", "Wednesday", "wedgrid");
    thugrid = CreateDayPage(TabSheet5, "TabSheet5", "Thursday", "thugrid");
    frigrid = CreateDayPage(Tabsheet6, "Tabsheet6", "Friday", "frigrid");
    satgrid = CreateDayPage(tabsheet7, "tabsheet7", "Saturday", "satgrid");
    sungrid = CreateDayPage(TabSheet8, "TabSheet8", "Sunday", "sungrid");
    pagectrl1->setCurrentIndex(0);

    // The Tab key goes round the tab control, the spin box and the save button.
    setTabOrder(pagectrl1, spin1);
    setTabOrder(spin1, BitBtn2);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kTimerInterval);
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &Tdc::Timer1Timer);
    Timer1->start();

    resize(kClientWidth, kClientHeight);
    PlaceAtScreenCentre();
}

void Tdc::CreateGeneralPage() {
    QWidget* page = TabSheet1;
    page->setMouseTracking(true);
    page->installEventFilter(this);

    Label1 = MakeLabel(page, "Label1", QStringLiteral("Current Date:"), 54, 10, 63, 13);
    Label2 = MakeLabel(page, "Label2", QString(), 122, 10, 123, 15);
    Label2->resize(123, 15);

    std::array<QString, 7> dayNames;
    for (std::size_t i = 0; i < dayNames.size(); ++i) {
        dayNames[i] = LocaleText(locale_.abbreviatedDayNames[i]);
    }
    Calendar1 = new MonthCalendar(desktop_.GetLocalTime(), dayNames, page);
    Calendar1->setObjectName(QStringLiteral("Calendar1"));
    Calendar1->setGeometry(42, 36, 241, 151);

    Image1 = new QLabel(page);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(324, 4, 32, 32);
    Image1->setPixmap(StopwatchPixmap(32));

    Label4 = MakeLabel(page, "Label4", QString::fromLatin1(kApplicationTitle), 362, 16, 136, 24);
    Label4->setFont(TimesBold16());
    SetTextColour(Label4, kLinkRed);
    AutoSize(Label4);

    Label5 = MakeLabel(page, "Label5", QString::fromLatin1(kVersionText), 366, 40, 150, 13);
    Label5->setMouseTracking(true);
    Label5->installEventFilter(this);

    QFont linkFont = SansSerif8();
    linkFont.setBold(true);
    linkFont.setUnderline(true);
    Label9 = MakeLabel(page, "Label9", QString::fromLatin1(kVendorSiteName), 368, 60, 90, 13);
    Label10 = MakeLabel(page, "Label10", QString(), 368, 82, 129, 13);
    for (QLabel* link : {Label9, Label10}) {
        link->setFont(linkFont);
        SetTextColour(link, kLinkBlue);
        link->setMouseTracking(true);
        link->installEventFilter(this);
        AutoSize(link);
    }

    Label3 = MakeLabel(page, "Label3", QStringLiteral("Script Delay (mSec)"), 330, 114, 93, 13);

    spin1 = new DelaySpinBox(page);
    spin1->setObjectName(QStringLiteral("spin1"));
    spin1->setGeometry(332, 132, 57, 22);

    BitBtn2 = new QPushButton(SaveIcon(), QStringLiteral("Save Data"), page);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setIconSize(QSize(16, 16));
    BitBtn2->setGeometry(446, 128, 107, 29);
    connect(BitBtn2, &QPushButton::clicked, this, &Tdc::BitBtn2Click);

    BitBtn1 = new QPushButton(QStringLiteral("Test"), page);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(482, 0, 89, 23);
    BitBtn1->setFocusPolicy(Qt::NoFocus);
    BitBtn1->hide();
    connect(BitBtn1, &QPushButton::clicked, this, &Tdc::BitBtn1Click);
}

QTableWidget* Tdc::CreateDayPage(QWidget*& page, const char* pageName, const char* caption,
                                 const char* gridName) {
    page = new QWidget();
    page->setObjectName(QString::fromLatin1(pageName));
    pagectrl1->addTab(page, QString::fromLatin1(caption));
    auto* grid = new QTableWidget(page);
    grid->setObjectName(QString::fromLatin1(gridName));
    SetUpDayGrid(*grid);
    grid->setGeometry(10, 12, 489, 171);
    return grid;
}

void Tdc::PlaceAtScreenCentre() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->availableGeometry();
    // A window's position is that of its frame.
    move(area.left() + (area.width() - kOuterWidth) / 2,
         area.top() + (area.height() - kOuterHeight) / 2);
}

void Tdc::SetLabel2(const std::string& text) {
    Label2->setText(LocaleText(text));
    AutoSize(Label2);
}

// ---- Error reports ----

template <class Handler> void Tdc::Guard(Handler&& handler) {
    try {
        std::forward<Handler>(handler)();
    } catch (const Error& error) {
        ReportError(FromCp1252(error.what()));
    } catch (const std::exception& error) {
        ReportError(FromCp1252(error.what()));
    } catch (...) {
        ReportError(QStringLiteral("Unknown error"));
    }
}

void Tdc::ReportError(const QString& message) {
    if (reports_.contains(message)) {
        return; // the same report is open (or about to open) already
    }
    reports_.insert(message, nullptr);
    reportOrder_.append(message);
    // Shown once the failed handler has returned, from the event loop.
    QMetaObject::invokeMethod(
        this, [this, message] { ShowErrorBox(message); }, Qt::QueuedConnection);
}

void Tdc::ShowErrorBox(const QString& message) {
    auto* box = new QMessageBox(QMessageBox::Critical, QString::fromLatin1(kApplicationTitle),
                                message + u'.', QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("ErrorBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    connect(box, &QMessageBox::finished, this, [this, message] {
        reports_.remove(message);
        reportOrder_.removeAll(message);
    });
    reports_[message] = box;
    box->show();
}

QList<QMessageBox*> Tdc::ErrorBoxes() const {
    QList<QMessageBox*> boxes;
    for (const QString& message : reportOrder_) {
        const QPointer<QMessageBox> box = reports_.value(message);
        if (box != nullptr) {
            boxes.append(box.data());
        }
    }
    return boxes;
}

// ---- Events ----

bool Tdc::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        FormActivate();
    }
    return QMainWindow::event(event);
}

void Tdc::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

bool Tdc::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove:
        if (watched == Label9) {
            Label9MouseMove();
            return true;
        }
        if (watched == Label10) {
            Label10MouseMove();
            return true;
        }
        if (watched == Label5) {
            Label5MouseMove();
            return true;
        }
        if (watched == TabSheet1) {
            // Only over the bare page: a move over one of its controls that
            // the control does not take comes here too.
            const auto* move = static_cast<QMouseEvent*>(event);
            if (TabSheet1->childAt(move->position().toPoint()) == nullptr) {
                TabSheet1MouseMove();
            }
        }
        break;
    case QEvent::MouseButtonPress:
        if (watched == Label9 || watched == Label10) {
            const auto* press = static_cast<QMouseEvent*>(event);
            if (press->button() == Qt::LeftButton) {
                pressedLink_ = static_cast<QLabel*>(watched);
            }
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (watched == Label9 || watched == Label10) {
            const auto* release = static_cast<QMouseEvent*>(event);
            auto* link = static_cast<QLabel*>(watched);
            const bool click = release->button() == Qt::LeftButton && pressedLink_ == link &&
                               link->rect().contains(release->position().toPoint());
            pressedLink_ = nullptr;
            if (click) {
                if (link == Label9) {
                    Label9Click();
                } else {
                    Label10Click();
                }
            }
            return true;
        }
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- Handlers ----

void Tdc::FormCreate() {
    Guard([this] {
        firstActivation_ = true;
        for (QTableWidget* grid : DayGrids()) {
            for (int column = 0; column < kGridColumns; ++column) {
                grid->horizontalHeaderItem(column)->setText(
                    QString::fromLatin1(kColumnCaptions[static_cast<std::size_t>(column)]));
                grid->setColumnWidth(column, kColumnWidths[static_cast<std::size_t>(column)]);
            }
        }
        // Each data step runs even when one before it failed, so that the
        // grids always show what the day files hold and a save never writes
        // blank grids over a week that was not loaded. The first error is
        // reported.
        std::string firstError;
        const auto step = [&firstError](auto&& action) {
            try {
                action();
            } catch (const Error& error) {
                if (firstError.empty()) {
                    firstError = error.what();
                }
            }
        };
        step([this] { store_->CreateLists(); });
        step([this] { store_->LoadSettings(); });
        Label10->setText(QStringLiteral("Documentation"));
        AutoSize(Label10);
        step([this] { store_->ClearGrids(); });
        step([this] { store_->LoadSchedule(); });
        if (!firstError.empty()) {
            throw Error(firstError);
        }
    });
    // The minute in which the program starts is never examined.
    Guard([this] { scheduler_->Start(); });
}

void Tdc::FormActivate() {
    Guard([this] {
        if (firstActivation_) {
            firstActivation_ = false;
            SetLabel2(DateTimeText(desktop_.GetLocalTime(), locale_));
        }
    });
}

void Tdc::FormClose() {
    Guard([this] {
        Timer1->stop();
        store_->Release();
    });
}

void Tdc::BitBtn1Click() {
    Guard([this] { scheduler_->TestFirstTuesdayLine(); });
}

void Tdc::BitBtn2Click() {
    Guard([this] { store_->Save(); });
}

void Tdc::Timer1Timer() {
    Guard([this] {
        SetLabel2(DateTimeText(desktop_.GetLocalTime(), locale_));
        scheduler_->Tick();
    });
}

void Tdc::Label9MouseMove() {
    Guard([this] { SetTextColour(Label9, kLinkRed); });
}

void Tdc::Label10MouseMove() {
    Guard([this] { SetTextColour(Label10, kLinkRed); });
}

void Tdc::TabSheet1MouseMove() {
    Guard([this] {
        SetTextColour(Label9, kLinkBlue);
        SetTextColour(Label10, kLinkBlue);
    });
}

void Tdc::Label5MouseMove() {
    Guard([this] {
        SetTextColour(Label9, kLinkBlue);
        SetTextColour(Label10, kLinkBlue);
    });
}

void Tdc::Label9Click() {
    Guard([this] {
        desktop_.ShellExecuteA(owner_, "open", kVendorAddress, nullptr, nullptr, kShowNormal);
    });
}

void Tdc::Label10Click() {
    Guard([this] {
        desktop_.ShellExecuteA(owner_, "open", kManualFileName, nullptr, nullptr, kShowNormal);
    });
}

} // namespace orvanel
