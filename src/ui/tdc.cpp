// Building the main window: its components, their places, fonts and colours.
#include "ui/tdc.h"

#include <QAction>
#include <QCheckBox>
#include <QFont>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <string>

#include "app/windowgeometry.h"
#include "ui/artwork.h"
#include "ui/daygrid.h"
#include "ui/delayspinbox.h"
#include "ui/elidinglabel.h"
#include "ui/historypage.h"
#include "ui/labels.h"
#include "ui/monthcalendar.h"
#include "ui/pagecontrol.h"
#include "ui/qcp1252.h"

namespace orvanel {

namespace {

constexpr const WindowGeometry& kDesign = kWindowGeometry;
// The outer size of the window with its frame.
constexpr int kOuterWidth = 588;
constexpr int kOuterHeight = 276;
// The space between "Current Date:" and the date.
constexpr int kLabelGap = 5;

QString Latin1(const char* text) {
    return QString::fromLatin1(text);
}

QRect Place(const DesignRect& design) {
    return {design.left, design.top, design.width, design.height};
}

} // namespace

Tdc::Tdc(DesktopServices& desktop, QWidget* parent, HistoryAccess history)
    : QMainWindow(parent),
      form_(std::make_unique<MainForm>(static_cast<MainView&>(*this), desktop, history)) {
    CreateComponents(desktop);
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        form_->SetOwner(static_cast<WindowHandle>(winId()));
    }
    form_->FormCreate();
}

Tdc::~Tdc() {
    // The form goes before the widgets: an error box must not report its
    // closing to it while the window takes its children down.
    for (QMessageBox* box : findChildren<QMessageBox*>()) {
        box->disconnect(this);
    }
}

void Tdc::CreateComponents(DesktopServices& desktop) {
    setObjectName(QStringLiteral("dc"));
    setWindowTitle(Latin1(kApplicationTitle));
    setWindowIcon(StopwatchIcon());
    setFont(SansSerif8());
    setAttribute(Qt::WA_DeleteOnClose, false);
    CreateStatusLine();

    pageControl_ = new PageControl(this);
    pageControl_->setObjectName(QStringLiteral("pagectrl1"));
    pageControl_->setFocusPolicy(Qt::TabFocus);
    setCentralWidget(pageControl_);
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        pages_[i] = new QWidget();
        pages_[i]->setObjectName(Latin1(kPageNames[i]));
        pageControl_->addTab(pages_[i], Latin1(kPageCaptions[i]));
    }
    CreateGeneralPage(desktop);
    for (std::size_t day = 0; day < grids_.size(); ++day) {
        grids_[day] = new DayGrid(pages_[day + 1]);
        grids_[day]->setObjectName(Latin1(kGridNames[day]));
        grids_[day]->setGeometry(Place(kDesign.dayGrid));
        connect(grids_[day], &DayGrid::RunNowRequested, this,
                [this, day](int row) { RunNow(static_cast<int>(day), row); });
        connect(grids_[day], &DayGrid::CellsEdited, this,
                [this, day] { form_->GridEdited(static_cast<int>(day)); });
    }
    CreateHistoryPage();
    pageControl_->setCurrentIndex(0);

    // The Tab key goes round the tab control, the spin box, the save button
    // and the check box.
    auto* save = findChild<QPushButton*>(QStringLiteral("BitBtn2"));
    setTabOrder(pageControl_, delayBox_);
    setTabOrder(delayBox_, save);
    setTabOrder(save, autostartBox_);

    CreateTimer();
    resize(kDesign.clientWidth, kDesign.clientHeight);
    // The tab control gets its width now, not only when the window is first
    // laid out: until then it would count its tabs in rows for a control of
    // the default width, one tab a row, and ask for a taller window.
    pageControl_->resize(kDesign.clientWidth, kDesign.clientHeight - kDesign.statusHeight);
    PlaceAtScreenCentre();
}

void Tdc::CreateStatusLine() {
    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName(QStringLiteral("StatusBar1"));
    statusBar_->setSizeGripEnabled(true);
    statusBar_->setFixedHeight(kDesign.statusHeight);
    // A text longer than the line ends in "…" and shows whole as its tool tip.
    statusPanel_ = new ElidingLabel(statusBar_);
    statusPanel_->setText(Latin1(kStatusText));
    statusPanel_->setObjectName(QStringLiteral("StatusBar1Panel"));
    statusBar_->addWidget(statusPanel_, 1);
    setStatusBar(statusBar_);
}

void Tdc::CreateGeneralPage(DesktopServices& desktop) {
    QWidget* page = pages_[0];
    page->setMouseTracking(true);
    page->installEventFilter(this);

    QLabel* dateCaption = MakeLabel(page, "Label1", Latin1(kDateCaption), Place(kDesign.label1));
    dateLabel_ = MakeLabel(page, "Label2", QString(), Place(kDesign.label2));
    dateLabel_->resize(kDesign.label2.width, kDesign.label2.height);
    KeepRightOf(dateLabel_, dateCaption, kLabelGap);

    std::array<QString, 7> dayNames;
    for (std::size_t i = 0; i < dayNames.size(); ++i) {
        dayNames[i] = LocaleText(form_->Locale().abbreviatedDayNames[i]);
    }
    auto* calendar = new MonthCalendar(desktop.GetLocalTime(), dayNames, page);
    calendar->setObjectName(QStringLiteral("Calendar1"));
    calendar->setGeometry(Place(kDesign.calendar1));

    auto* image = new QLabel(page);
    image->setObjectName(QStringLiteral("Image1"));
    image->setGeometry(Place(kDesign.image1));
    image->setPixmap(StopwatchPixmap(32));

    QLabel* title = MakeLabel(page, "Label4", Latin1(kApplicationTitle), Place(kDesign.label4));
    title->setFont(TimesBold16());
    SetTextColour(title, kRed);
    AutoSize(title);

    versionLabel_ = MakeLabel(page, "Label5", Latin1(kVersionText), Place(kDesign.label5));
    KeepBelow(versionLabel_, title);
    siteLink_ = MakeLabel(page, "Label9", Latin1(kVendorSiteName), Place(kDesign.label9));
    manualLink_ = MakeLabel(page, "Label10", QString(), Place(kDesign.label10));
    QFont linkFont = SansSerif8();
    linkFont.setBold(true);
    linkFont.setUnderline(true);
    for (QLabel* link : {siteLink_, manualLink_}) {
        link->setFont(linkFont);
        SetTextColour(link, kBlue);
        AutoSize(link);
    }
    for (QLabel* watched : {versionLabel_, siteLink_, manualLink_}) {
        watched->setMouseTracking(true);
        watched->installEventFilter(this);
    }

    MakeLabel(page, "Label3", Latin1(kDelayCaption), Place(kDesign.label3));

    delayBox_ = new DelaySpinBox(page);
    delayBox_->setObjectName(QStringLiteral("spin1"));
    delayBox_->setGeometry(Place(kDesign.spin1));

    auto* save = new QPushButton(SaveIcon(), Latin1(kSaveCaption), page);
    save->setObjectName(QStringLiteral("BitBtn2"));
    save->setIconSize(QSize(16, 16));
    save->setGeometry(Place(kDesign.bitBtn2));
    connect(save, &QPushButton::clicked, this, &Tdc::BitBtn2Click);

    CreateAutostartBox(page);

    auto* test = new QPushButton(Latin1(kTestCaption), page);
    test->setObjectName(QStringLiteral("BitBtn1"));
    test->setGeometry(Place(kDesign.bitBtn1));
    test->setFocusPolicy(Qt::NoFocus);
    test->hide();
    connect(test, &QPushButton::clicked, this, &Tdc::BitBtn1Click);
}

// "Start Orvanel when I log in", under the script delay: a stop of the Tab
// key after the save button, and reached with Alt+S.
void Tdc::CreateAutostartBox(QWidget* page) {
    autostartBox_ = new QCheckBox(Latin1(kAutostartCaption), page);
    autostartBox_->setObjectName(Latin1(kAutostartName));
    autostartBox_->setFocusPolicy(Qt::StrongFocus);
    autostartBox_->move(kDesign.checkBox1.left, kDesign.checkBox1.top);
    autostartBox_->resize(autostartBox_->sizeHint().width(), kDesign.checkBox1.height);
    connect(autostartBox_, &QCheckBox::clicked, this, &Tdc::AutostartClick);
}

// The ninth page, after Sunday, and the key that runs the current row.
void Tdc::CreateHistoryPage() {
    historyPage_ = new HistoryPage(*form_);
    historyPage_->setObjectName(Latin1(kHistoryPageName));
    pageControl_->addTab(historyPage_, Latin1(kHistoryCaption));

    auto* runNow = new QAction(Latin1(kRunNowCaption), this);
    runNow->setObjectName(QStringLiteral("RunNowAction"));
    runNow->setShortcut(QKeySequence(Latin1(kRunNowKey)));
    runNow->setShortcutContext(Qt::WindowShortcut);
    connect(runNow, &QAction::triggered, this, &Tdc::RunCurrentRow);
    addAction(runNow);
}

void Tdc::CreateTimer() {
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &Tdc::Timer1Timer);
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

} // namespace orvanel
