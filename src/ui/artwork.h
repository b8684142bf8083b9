// The program's own pictures, drawn in code: the stopwatch of the program icon
// (32 x 32) and the floppy-disk glyph of the "Save Data" button (16 x 16, with
// a greyed image for the disabled button).
#pragma once

#include <QIcon>
#include <QPixmap>

class QPainter;

namespace orvanel {

// Draws the stopwatch into the box (0, 0, size, size) of any paint device.
void PaintStopwatch(QPainter& painter, int size);
QPixmap StopwatchPixmap(int size = 32);
QIcon StopwatchIcon();
QPixmap SaveGlyph(bool greyed);
QIcon SaveIcon();

} // namespace orvanel
