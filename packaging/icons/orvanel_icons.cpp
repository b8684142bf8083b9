// Writes the program icon, the stopwatch the window draws, as files for the
// desktop's icon theme: orvanel-16.png, -32, -48 and -256, and orvanel.svg.
//
//   orvanel-icons OUTPUT-DIRECTORY
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgGenerator>
#include <cstdio>

#include "ui/artwork.h"

namespace {

constexpr int kSvgBox = 32;

bool WritePng(const QString& path, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        orvanel::PaintStopwatch(painter, size);
    }
    return image.save(path, "PNG");
}

bool WriteSvg(const QString& path) {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(kSvgBox, kSvgBox));
    svg.setViewBox(QRect(0, 0, kSvgBox, kSvgBox));
    svg.setTitle(QStringLiteral("Orvanel"));
    svg.setDescription(QStringLiteral("A stopwatch"));
    QPainter painter;
    if (!painter.begin(&svg)) {
        return false;
    }
    orvanel::PaintStopwatch(painter, kSvgBox);
    return painter.end();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: orvanel-icons OUTPUT-DIRECTORY\n");
        return 2;
    }
    // Drawing needs no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString dir = QString::fromLocal8Bit(argv[1]);
    for (const int size : {16, 32, 48, 256}) {
        const QString path = dir + QStringLiteral("/orvanel-%1.png").arg(size);
        if (!WritePng(path, size)) {
            std::fprintf(stderr, "orvanel-icons: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    const QString svg = dir + QStringLiteral("/orvanel.svg");
    if (!WriteSvg(svg)) {
        std::fprintf(stderr, "orvanel-icons: cannot write %s\n", qPrintable(svg));
        return 1;
    }
    return 0;
}
