// Writes the icons of the Windows program from the artwork that the Qt window
// draws: the stopwatch in several sizes, and the "Save Data" glyph, normal and
// greyed. Each .ico holds 32-bit images with their transparency masks.
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "ui/artwork.h"

namespace {

void Put16(std::string& out, unsigned value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// One icon image: a BITMAPINFOHEADER, the pixels bottom-up, then the mask.
std::string IconImage(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int size = image.width();
    const int maskStride = ((size + 31) / 32) * 4;
    std::string out;
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(size));
    Put32(out, static_cast<std::uint32_t>(size * 2));
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, 0);
    Put32(out, static_cast<std::uint32_t>(size * size * 4 + maskStride * size));
    for (int i = 0; i < 4; ++i) {
        Put32(out, 0);
    }
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            Put32(out, image.pixel(x, y));
        }
    }
    for (int y = size - 1; y >= 0; --y) {
        std::string row(static_cast<std::size_t>(maskStride), '\0');
        for (int x = 0; x < size; ++x) {
            if (qAlpha(image.pixel(x, y)) == 0) {
                row[static_cast<std::size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
            }
        }
        out += row;
    }
    return out;
}

bool WriteIcon(const std::string& path, const std::vector<QImage>& images) {
    std::string header;
    Put16(header, 0);
    Put16(header, 1);
    Put16(header, static_cast<unsigned>(images.size()));
    std::string data;
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (const QImage& image : images) {
        const std::string bytes = IconImage(image);
        header += static_cast<char>(image.width() >= 256 ? 0 : image.width());
        header += static_cast<char>(image.height() >= 256 ? 0 : image.height());
        header += '\0';
        header += '\0';
        Put16(header, 1);
        Put16(header, 32);
        Put32(header, static_cast<std::uint32_t>(bytes.size()));
        Put32(header, offset);
        offset += static_cast<std::uint32_t>(bytes.size());
        data += bytes;
    }
    std::ofstream file(path, std::ios::binary);
    file << header << data;
    return static_cast<bool>(file);
}

std::vector<QImage> Glyphs(bool greyed) {
    const QImage glyph = orvanel::SaveGlyph(greyed).toImage();
    std::vector<QImage> images;
    for (int size : {16, 20, 24, 32}) {
        images.push_back(glyph.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    }
    return images;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: makeicons OUTPUT-DIRECTORY\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    const std::string dir = argv[1];
    std::vector<QImage> stopwatch;
    for (int size : {16, 24, 32, 48, 64}) {
        stopwatch.push_back(orvanel::StopwatchPixmap(size).toImage());
    }
    const bool ok = WriteIcon(dir + "/orvanel.ico", stopwatch) &&
                    WriteIcon(dir + "/save.ico", Glyphs(false)) &&
                    WriteIcon(dir + "/save-greyed.ico", Glyphs(true));
    return ok ? 0 : 1;
}
