// The program's own pictures, drawn in code: the stopwatch of the program icon
// (32 x 32) and the floppy-disk glyph of the "Save Data" button (16 x 16, with
// a greyed image for the disabled button).
#pragma once

#include <QIcon>
#include <QPixmap>

namespace orvanel {

QPixmap StopwatchPixmap(int size = 32);
QIcon StopwatchIcon();
QPixmap SaveGlyph(bool greyed);
QIcon SaveIcon();

} // namespace orvanel
