#include "ui/labels.h"

#include <QLabel>
#include <QPalette>

namespace orvanel {

QFont SansSerif8() {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("DejaVu Sans")});
    font.setPixelSize(11);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

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

QString LocaleText(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

void AutoSize(QLabel* label) {
    label->resize(label->sizeHint());
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& place) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(place);
    label->setTextFormat(Qt::PlainText);
    label->setFocusPolicy(Qt::NoFocus);
    AutoSize(label);
    return label;
}

void KeepRightOf(QLabel* label, const QWidget* other, int gap) {
    const int left = other->geometry().right() + 1 + gap;
    if (label->x() < left) {
        label->move(left, label->y());
    }
}

void KeepBelow(QLabel* label, const QWidget* other) {
    const int top = other->geometry().bottom() + 1;
    if (label->y() < top) {
        label->move(label->x(), top);
    }
}

} // namespace orvanel
