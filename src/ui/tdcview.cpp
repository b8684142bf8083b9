// The main window as a view: its events handed to the window logic, and what
// the window logic asks of the widgets.
#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTimer>

#include "ui/daygrid.h"
#include "ui/delayspinbox.h"
#include "ui/elidinglabel.h"
#include "ui/historypage.h"
#include "ui/labels.h"
#include "ui/pagecontrol.h"
#include "ui/qcp1252.h"
#include "ui/startnotice.h"
#include "ui/tdc.h"

namespace orvanel {

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
    if (MouseEvent(watched, event)) {
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// The mouse over the General page, its version label and its links; true
// when the event has been taken.
bool Tdc::MouseEvent(QObject* watched, QEvent* event) {
    const bool link = watched == siteLink_ || watched == manualLink_;
    switch (event->type()) {
    case QEvent::MouseMove:
        if (watched == siteLink_) {
            Label9MouseMove();
        } else if (watched == manualLink_) {
            Label10MouseMove();
        } else if (watched == versionLabel_) {
            Label5MouseMove();
        } else if (watched == pages_[0]) {
            // Only over the bare page: a move over one of its controls that
            // the control does not take comes here too.
            const auto* move = static_cast<QMouseEvent*>(event);
            if (pages_[0]->childAt(move->position().toPoint()) == nullptr) {
                TabSheet1MouseMove();
            }
            return false;
        } else {
            return false;
        }
        return true;
    case QEvent::MouseButtonPress:
        if (link && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            pressedLink_ = static_cast<QLabel*>(watched);
        }
        return link;
    case QEvent::MouseButtonRelease:
        if (link) {
            const auto* release = static_cast<QMouseEvent*>(event);
            auto* label = static_cast<QLabel*>(watched);
            const bool click = release->button() == Qt::LeftButton && pressedLink_ == label &&
                               label->rect().contains(release->position().toPoint());
            pressedLink_ = nullptr;
            if (click) {
                label == siteLink_ ? Label9Click() : Label10Click();
            }
        }
        return link;
    default:
        return false;
    }
}

// ---- Handlers ----

void Tdc::FormActivate() {
    form_->FormActivate();
}
void Tdc::FormClose() {
    form_->FormClose();
}
void Tdc::BitBtn1Click() {
    form_->BitBtn1Click();
}
void Tdc::BitBtn2Click() {
    form_->BitBtn2Click();
}
void Tdc::Timer1Timer() {
    form_->Timer1Timer();
}
void Tdc::Label9MouseMove() {
    form_->Label9MouseMove();
}
void Tdc::Label10MouseMove() {
    form_->Label10MouseMove();
}
void Tdc::TabSheet1MouseMove() {
    form_->TabSheet1MouseMove();
}
void Tdc::Label5MouseMove() {
    form_->Label5MouseMove();
}
void Tdc::Label9Click() {
    form_->Label9Click();
}
void Tdc::Label10Click() {
    form_->Label10Click();
}
void Tdc::AutostartClick(bool checked) {
    form_->AutostartClick(checked);
}
void Tdc::RunNow(int day, int row) {
    grids_.at(static_cast<std::size_t>(day))->CommitEdit();
    form_->RunNow(day, row);
}
void Tdc::RunCurrentRow() {
    const int page = pageControl_->currentIndex();
    if (page < 1 || page > kDayCount) {
        return; // not a day page
    }
    DayGrid* grid = grids_.at(static_cast<std::size_t>(page) - 1);
    grid->CommitEdit();
    if (grid->currentRow() >= 0) {
        RunOnceKeysAreUp(page - 1, grid->currentRow() + 1);
    }
}

// Ctrl+R is still held when its shortcut fires: a script typed now would
// reach the window as CTRL chords. The run waits until the user has let go
// of every modifier.
void Tdc::RunOnceKeysAreUp(int day, int row) {
    if (QGuiApplication::queryKeyboardModifiers() == Qt::NoModifier) {
        RunNow(day, row);
        return;
    }
    pendingDay_ = day;
    pendingRow_ = row;
    if (keysUpTimer_ == nullptr) {
        constexpr int kKeyPollMilliseconds = 20;
        keysUpTimer_ = new QTimer(this);
        keysUpTimer_->setSingleShot(true);
        keysUpTimer_->setInterval(kKeyPollMilliseconds);
        connect(keysUpTimer_, &QTimer::timeout, this,
                [this] { RunOnceKeysAreUp(pendingDay_, pendingRow_); });
    }
    keysUpTimer_->start();
}

// ---- The view of the window logic ----

std::string Tdc::Cell(int day, int column, int row) const {
    return grids_.at(static_cast<std::size_t>(day))->CellText(column, row);
}

void Tdc::SetCell(int day, int column, int row, const std::string& text) {
    grids_.at(static_cast<std::size_t>(day))->SetCellText(column, row, text);
}

std::string Tdc::SpinText() const {
    return ToCp1252(delayBox_->RawText());
}

bool Tdc::Editing(int day) const {
    return grids_.at(static_cast<std::size_t>(day))->Editing();
}

void Tdc::SetSpinText(const std::string& text) {
    delayBox_->SetRawText(FromCp1252(text));
}

void Tdc::SetColumnWidth(int day, int column, int width) {
    grids_.at(static_cast<std::size_t>(day))->setColumnWidth(column, width);
}

void Tdc::SetDateText(const std::string& text) {
    dateLabel_->setText(LocaleText(text));
    AutoSize(dateLabel_);
}

void Tdc::SetManualCaption(const std::string& text) {
    manualLink_->setText(FromCp1252(text));
    AutoSize(manualLink_);
}

void Tdc::SetLinkColour(Link link, LinkColour colour) {
    SetTextColour(link == Link::Site ? siteLink_ : manualLink_,
                  colour == LinkColour::Red ? kRed : kBlue);
}

void Tdc::StartTimer(std::uint32_t milliseconds) {
    timer_->start(static_cast<int>(milliseconds));
}

void Tdc::StopTimer() {
    timer_->stop();
}

void Tdc::ShowNotice(const std::string& text) {
    StartNotice::Show(statusBar_, statusPanel_, QString::fromStdString(text));
}

void Tdc::SetStatusText(const std::string& text) {
    statusBar_->clearMessage(); // a start-up notice gives way to the panel
    statusPanel_->setText(QString::fromStdString(text));
    // A task run keeps the event loop waiting: show the text at once.
    statusPanel_->repaint();
}

void Tdc::HistoryChanged(std::size_t added, std::size_t dropped) {
    historyPage_->Changed(added, dropped);
}

void Tdc::SetAutostartChecked(bool checked) {
    autostartBox_->setChecked(checked);
}

std::string Tdc::LocaleTextToUtf8(const std::string& text) const {
    return LocaleText(text).toStdString();
}

void Tdc::ShowErrorBox(const std::string& text) {
    // Opened from the event loop, over the window once it is shown.
    boxesToOpen_.push_back(text);
    if (boxesToOpen_.size() == 1) {
        QMetaObject::invokeMethod(this, "OpenErrorBoxes", Qt::QueuedConnection);
    }
}

void Tdc::OpenErrorBoxes() {
    std::deque<std::string> texts;
    texts.swap(boxesToOpen_);
    for (const std::string& text : texts) {
        OpenErrorBox(text);
    }
}

bool Tdc::AskQuestion(const std::string& text) {
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(kApplicationTitle), FromCp1252(text),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(QStringLiteral("QuestionBox"));
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void Tdc::OpenErrorBox(const std::string& text) {
    auto* box = new QMessageBox(QMessageBox::Critical, QString::fromLatin1(kApplicationTitle),
                                FromCp1252(text), QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("ErrorBox"));
    box->setTextFormat(Qt::PlainText); // a message may quote any text of a file
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    connect(box, &QMessageBox::finished, this, [this, text] { form_->ErrorBoxClosed(text); });
    box->show();
}

} // namespace orvanel
