#include "history/encoding.h"

#include "desktop/uslayout.h"

namespace orvanel::history {

namespace {

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        // Code page 1252 reaches no further than the Basic Multilingual Plane.
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

std::string FieldText(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (const char byte : text) {
        if (byte == '\t' || byte == '\r' || byte == '\n' || byte == '\0') {
            out += ' ';
        } else {
            AppendUtf8(out, uslayout::Cp1252ToUnicode(static_cast<unsigned char>(byte)));
        }
    }
    return out;
}

} // namespace orvanel::history
