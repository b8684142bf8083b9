// Text conversions of the Windows window: the grids and the script delay
// keep code page 1252 bytes (as the files do), the run history UTF-8; the
// controls show UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace orvanel::win32ui {

// Code page 1252 to UTF-16, every byte one character. The five bytes that
// code page 1252 leaves unassigned become the code points of the same value.
std::wstring FromCp1252(std::string_view bytes);

// UTF-16 to code page 1252. A character that code page 1252 does not hold
// becomes "?".
std::string ToCp1252(std::wstring_view text);

// UTF-8 text (the run history's) as UTF-16; a malformed sequence becomes
// U+FFFD.
std::wstring FromUtf8(std::string_view text);

// UTF-16 as UTF-8.
std::string ToUtf8(std::wstring_view text);

// Plain ASCII text (captions and the like) as UTF-16.
std::wstring Widen(std::string_view ascii);

} // namespace orvanel::win32ui
