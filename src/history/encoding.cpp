#include "history/encoding.h"

#include "desktop/cp1252.h"

namespace orvanel::history {

std::string FieldText(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (const char byte : text) {
        if (byte == '\t' || byte == '\r' || byte == '\n' || byte == '\0') {
            out += ' ';
        } else {
            AppendUtf8(out, Cp1252ToUnicode(static_cast<unsigned char>(byte)));
        }
    }
    return out;
}

} // namespace orvanel::history
