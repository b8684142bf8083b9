// Text between the window's widgets (Unicode) and the files (8-bit code page
// 1252). The conversion is done by our own table so that it does not depend on
// which codecs the Qt build carries.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace orvanel {

// The code page 1252 bytes of `text`. A character that the code page cannot
// hold (a character outside it, or one written as a surrogate pair) becomes
// one "?". The five bytes that the code page leaves unassigned (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) stand for the control characters of the same number, so
// that every byte survives a round trip.
std::string ToCp1252(const QString& text);

// The Unicode text of code page 1252 bytes.
QString FromCp1252(std::string_view bytes);

} // namespace orvanel
