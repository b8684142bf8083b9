#include "wintext.h"

#include "desktop/cp1252.h"

namespace orvanel::win32ui {

// Every character of code page 1252 lies in the first plane, so one UTF-16
// unit stands for one byte.
std::wstring FromCp1252(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        text += static_cast<wchar_t>(Cp1252ToUnicode(static_cast<unsigned char>(byte)));
    }
    return text;
}

std::string ToCp1252(std::wstring_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
            ++i; // a character beyond the first plane (two units): one "?"
            bytes += '?';
            continue;
        }
        bytes += UnicodeToCp1252(static_cast<char32_t>(c));
    }
    return bytes;
}

std::wstring Widen(std::string_view ascii) {
    return {ascii.begin(), ascii.end()};
}

} // namespace orvanel::win32ui
