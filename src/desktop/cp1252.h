// Code page 1252, the 8-bit character set of task lines, key scripts and the
// files, and its conversions to Unicode and to and from UTF-8 (the character
// set of the Linux command line and desktop, and of the run history). The one
// table of the code page lives here; the keyboard layout, the X desktop and
// the window all use it.
#pragma once

#include <string>
#include <string_view>

namespace orvanel {

// The character of a byte. The five bytes that the code page leaves
// unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the control characters
// of the same number, as Windows maps them, so that every byte survives a
// round trip.
char32_t Cp1252ToUnicode(unsigned char byte);

// The byte of a character, or "?" when the code page does not hold it.
char UnicodeToCp1252(char32_t character);

// Capital of a code page 1252 letter, or the byte itself.
unsigned char Upper1252(unsigned char byte);

// The five bytes that the code page leaves unassigned.
bool Undefined1252(unsigned char byte);

// Appends the UTF-8 bytes of a Unicode character (up to U+10FFFF).
void AppendUtf8(std::string& utf8, char32_t character);

// The UTF-8 text of a code page 1252 text.
std::string Cp1252ToUtf8(std::string_view cp1252);

// The code page 1252 text of a UTF-8 text. A character that code page 1252
// does not hold, and every byte of malformed UTF-8, becomes "?".
std::string Utf8ToCp1252(std::string_view utf8);

} // namespace orvanel
