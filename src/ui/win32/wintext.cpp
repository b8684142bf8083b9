#include "wintext.h"

#include <array>
#include <cstdint>

namespace orvanel::win32ui {

namespace {

// The characters of bytes 0x80 to 0x9F; the unassigned ones keep their value.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char ByteOf(wchar_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<char>(c);
    }
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == static_cast<char16_t>(c)) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

} // namespace

std::wstring FromCp1252(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        text += value >= 0x80 && value < 0xA0 ? static_cast<wchar_t>(kHighControls[value - 0x80])
                                              : static_cast<wchar_t>(value);
    }
    return text;
}

std::string ToCp1252(std::wstring_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
            ++i; // a character beyond the first plane: one "?"
            bytes += '?';
            continue;
        }
        bytes += ByteOf(c);
    }
    return bytes;
}

std::wstring Widen(std::string_view ascii) {
    return {ascii.begin(), ascii.end()};
}

} // namespace orvanel::win32ui
