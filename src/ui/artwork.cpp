#include "ui/artwork.h"

#include <QPainter>
#include <QPainterPath>

namespace orvanel {

namespace {

// The 16-colour palette the pictures are drawn from.
const QColor kBlack(0, 0, 0);
const QColor kDarkGray(128, 128, 128);
const QColor kSilver(192, 192, 192);
const QColor kWhite(255, 255, 255);
const QColor kRed(255, 0, 0);
const QColor kMaroon(128, 0, 0);
const QColor kNavy(0, 0, 128);
const QColor kBlue(0, 0, 255);

// Draws the stopwatch in a 32 x 32 box.
void DrawStopwatch(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    // The crown and its ring on top, and the side button.
    p.setPen(kBlack);
    p.setBrush(kSilver);
    p.drawRect(13, 1, 5, 3);
    p.drawRect(15, 4, 1, 2);
    p.save();
    p.translate(25, 7);
    p.rotate(45);
    p.drawRect(-2, -2, 4, 3);
    p.restore();
    // The case.
    p.setBrush(kDarkGray);
    p.drawEllipse(3, 5, 25, 25);
    p.setPen(Qt::NoPen);
    p.setBrush(kSilver);
    p.drawEllipse(4, 6, 22, 22);
    // The dial.
    p.setBrush(kWhite);
    p.setPen(kBlack);
    p.drawEllipse(6, 8, 19, 19);
    // Minute marks.
    const QPointF centre(15.5, 17.5);
    for (int i = 0; i < 12; ++i) {
        p.save();
        p.translate(centre);
        p.rotate(i * 30.0);
        p.setPen(i % 3 == 0 ? kNavy : kDarkGray);
        p.drawLine(QPointF(0, -8), QPointF(0, i % 3 == 0 ? -6 : -7));
        p.restore();
    }
    // The hands: a red second hand and a navy minute hand.
    p.setPen(QPen(kNavy, 2));
    p.drawLine(centre, QPointF(centre.x() - 4, centre.y() - 4));
    p.setPen(QPen(kRed, 1));
    p.drawLine(centre, QPointF(centre.x() + 5, centre.y() - 5));
    p.setPen(kMaroon);
    p.setBrush(kMaroon);
    p.drawRect(15, 17, 1, 1);
}

void DrawDisk(QPainter& p, bool greyed) {
    const QColor body = greyed ? kDarkGray : kNavy;
    const QColor label = greyed ? kSilver : kWhite;
    const QColor shutter = kSilver;
    const QColor line = greyed ? kSilver : kBlue;
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    // Outline and body.
    QPainterPath outline;
    outline.moveTo(1, 1);
    outline.lineTo(13, 1);
    outline.lineTo(15, 3);
    outline.lineTo(15, 15);
    outline.lineTo(1, 15);
    outline.closeSubpath();
    p.setBrush(body);
    p.drawPath(outline);
    // The paper label with its lines.
    p.setBrush(label);
    p.drawRect(3, 2, 10, 6);
    p.setBrush(line);
    p.drawRect(4, 4, 8, 1);
    p.drawRect(4, 6, 8, 1);
    // The metal shutter with its slot.
    p.setBrush(shutter);
    p.drawRect(4, 10, 8, 5);
    p.setBrush(body);
    p.drawRect(9, 11, 2, 3);
    if (greyed) {
        // The embossed look of a disabled glyph: a white edge below and right.
        p.setPen(kWhite);
        p.drawLine(2, 15, 15, 15);
        p.drawLine(15, 4, 15, 15);
    }
}

QPixmap Blank(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

} // namespace

void PaintStopwatch(QPainter& painter, int size) {
    painter.save();
    painter.scale(size / 32.0, size / 32.0);
    DrawStopwatch(painter);
    painter.restore();
}

QPixmap StopwatchPixmap(int size) {
    QPixmap pixmap = Blank(size);
    QPainter p(&pixmap);
    PaintStopwatch(p, size);
    return pixmap;
}

QIcon StopwatchIcon() {
    QIcon icon;
    icon.addPixmap(StopwatchPixmap(16));
    icon.addPixmap(StopwatchPixmap(32));
    icon.addPixmap(StopwatchPixmap(48));
    return icon;
}

QPixmap SaveGlyph(bool greyed) {
    QPixmap pixmap = Blank(16);
    QPainter p(&pixmap);
    DrawDisk(p, greyed);
    return pixmap;
}

QIcon SaveIcon() {
    QIcon icon;
    icon.addPixmap(SaveGlyph(false), QIcon::Normal);
    icon.addPixmap(SaveGlyph(true), QIcon::Disabled);
    return icon;
}

} // namespace orvanel
