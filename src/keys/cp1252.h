// Code page 1252, the 8-bit character set of key scripts, and UTF-8, the
// character set of the Linux command line and desktop.
#pragma once

#include <string>
#include <string_view>

namespace orvanel {

// The code page 1252 text of a UTF-8 text. A character that code page 1252
// does not hold, and every byte of malformed UTF-8, becomes "?". The five
// code points U+0081, U+008D, U+008F, U+0090 and U+009D map to the bytes of
// the same value, which code page 1252 leaves unassigned.
std::string Utf8ToCp1252(std::string_view utf8);

} // namespace orvanel
