// The script delay spin box: a numeric spin box whose text is kept exactly as
// typed or as read from the settings file, so that whatever stands in the box
// is what "Save Data" writes. Typing takes the digits, "+", "-" and the
// decimal separator only; every other printable character is refused with a
// beep. The arrows step by 10 within 0 to 3000, and when the box loses the
// focus a number outside that range is replaced by the nearest bound, while a
// text that is no number stays as it is.
#pragma once

#include <QAbstractSpinBox>
#include <QChar>
#include <QString>

namespace orvanel {

class DelaySpinBox : public QAbstractSpinBox {
    Q_OBJECT
public:
    static constexpr int kMinimum = 0;
    static constexpr int kMaximum = 3000;
    static constexpr int kIncrement = 10;

    explicit DelaySpinBox(QWidget* parent = nullptr);

    // The text as it stands (QAbstractSpinBox::text() gives the same).
    QString RawText() const;
    void SetRawText(const QString& text);

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

    // Whether typing `c` is allowed.
    bool IsAcceptedChar(QChar c) const;

protected:
    StepEnabled stepEnabled() const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // The value of the text as an integer text, or the minimum when it is none.
    int Value() const;
    void ClampToRange();

    QChar decimalSeparator_;
};

} // namespace orvanel
