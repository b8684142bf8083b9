#include "ui/qcp1252.h"

#include "desktop/cp1252.h"

namespace orvanel {

std::string ToCp1252(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i; // one character outside the code page
            bytes += '?';
            continue;
        }
        bytes += UnicodeToCp1252(c.unicode());
    }
    return bytes;
}

QString FromCp1252(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char b : bytes) {
        text += QChar(static_cast<char16_t>(Cp1252ToUnicode(static_cast<unsigned char>(b))));
    }
    return text;
}

} // namespace orvanel
