// Text between the window's widgets (Unicode QString) and the files (8-bit
// code page 1252), over the program's own code page table (desktop/cp1252.h)
// so that it does not depend on which codecs the Qt build carries.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace orvanel {

// The code page 1252 bytes of `text`. A character that the code page cannot
// hold (a character outside it, or one written as a surrogate pair) becomes
// one "?".
std::string ToCp1252(const QString& text);

// The Unicode text of code page 1252 bytes; every byte survives a round trip.
QString FromCp1252(std::string_view bytes);

} // namespace orvanel
