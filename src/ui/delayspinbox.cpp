#include "ui/delayspinbox.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <algorithm>
#include <optional>

#include "schedule/error.h"
#include "schedule/taskline.h"
#include "ui/qcp1252.h"

namespace orvanel {

namespace {

// The value of an integer text, or nothing when the text is none.
std::optional<int> IntegerValue(const QString& text) {
    try {
        return TextToInt(ToCp1252(text));
    } catch (const Error&) {
        return std::nullopt;
    }
}

} // namespace

DelaySpinBox::DelaySpinBox(QWidget* parent) : QAbstractSpinBox(parent) {
    const QString separator = QLocale::system().decimalPoint();
    decimalSeparator_ = separator.isEmpty() ? QChar(u'.') : separator.front();
    setAccelerated(false);
    setKeyboardTracking(true);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    SetRawText(QString::number(kMinimum));
}

QString DelaySpinBox::RawText() const {
    return lineEdit()->text();
}

void DelaySpinBox::SetRawText(const QString& text) {
    lineEdit()->setText(text);
}

int DelaySpinBox::Value() const {
    return IntegerValue(RawText()).value_or(kMinimum);
}

void DelaySpinBox::stepBy(int steps) {
    const long long next =
        static_cast<long long>(Value()) + static_cast<long long>(steps) * kIncrement;
    SetRawText(QString::number(std::clamp<long long>(next, kMinimum, kMaximum)));
    lineEdit()->selectAll();
}

QAbstractSpinBox::StepEnabled DelaySpinBox::stepEnabled() const {
    return StepUpEnabled | StepDownEnabled;
}

QValidator::State DelaySpinBox::validate(QString&, int&) const {
    // Any text may stand in the box; typing is filtered in keyPressEvent.
    return QValidator::Acceptable;
}

void DelaySpinBox::fixup(QString&) const {}

bool DelaySpinBox::IsAcceptedChar(QChar c) const {
    return (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == decimalSeparator_;
}

void DelaySpinBox::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    const bool command = (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0;
    if (!command && !typed.isEmpty()) {
        bool printable = false;
        bool accepted = true;
        for (const QChar c : typed) {
            if (c.isPrint()) {
                printable = true;
                accepted = accepted && IsAcceptedChar(c);
            }
        }
        if (printable && !accepted) {
            QApplication::beep();
            event->accept();
            return;
        }
    }
    QAbstractSpinBox::keyPressEvent(event);
}

void DelaySpinBox::ClampToRange() {
    const std::optional<int> number = IntegerValue(RawText());
    if (number && (*number < kMinimum || *number > kMaximum)) {
        SetRawText(QString::number(std::clamp(*number, kMinimum, kMaximum)));
    }
}

void DelaySpinBox::focusOutEvent(QFocusEvent* event) {
    ClampToRange();
    QAbstractSpinBox::focusOutEvent(event);
}

} // namespace orvanel
