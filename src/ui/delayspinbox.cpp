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
    setRawText(QString::number(kMinimum));
}

QString DelaySpinBox::rawText() const {
    return lineEdit()->text();
}

void DelaySpinBox::setRawText(const QString& text) {
    lineEdit()->setText(text);
}

int DelaySpinBox::value() const {
    return IntegerValue(rawText()).value_or(kMinimum);
}

void DelaySpinBox::stepBy(int steps) {
    const long long next =
        static_cast<long long>(value()) + static_cast<long long>(steps) * kIncrement;
    setRawText(QString::number(std::clamp<long long>(next, kMinimum, kMaximum)));
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

bool DelaySpinBox::isAcceptedChar(QChar c) const {
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
                accepted = accepted && isAcceptedChar(c);
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

void DelaySpinBox::clampToRange() {
    const std::optional<int> number = IntegerValue(rawText());
    if (number && (*number < kMinimum || *number > kMaximum)) {
        setRawText(QString::number(std::clamp(*number, kMinimum, kMaximum)));
    }
}

void DelaySpinBox::focusOutEvent(QFocusEvent* event) {
    clampToRange();
    QAbstractSpinBox::focusOutEvent(event);
}

} // namespace orvanel
