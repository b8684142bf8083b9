// Fonts, colours and labels of the main window.
#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <string>

class QLabel;
class QWidget;

namespace orvanel {

// Pure blue and pure red, of the links and the title.
inline const QColor kBlue{0, 0, 255};
inline const QColor kRed{255, 0, 0};

// "MS Sans Serif", 8 point, 11 pixels high, or the nearest font at hand.
QFont SansSerif8();
// "Times New Roman", bold, 16 point, 21 pixels high, or the nearest font.
QFont TimesBold16();

void SetTextColour(QLabel* label, const QColor& colour);

// Texts of the locale (weekday names, the date-time text) come in the
// locale's own character set.
QString LocaleText(const std::string& text);

// A label sizes itself to its text; it keeps its left and top.
void AutoSize(QLabel* label);

// A plain-text label at `place`, sized to its text.
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& place);

// The fonts at hand may be wider or taller than the ones the window was
// designed with. These move `label` right of, or below, `other` when it would
// run into it, and no further.
void KeepRightOf(QLabel* label, const QWidget* other, int gap);
void KeepBelow(QLabel* label, const QWidget* other);

} // namespace orvanel
