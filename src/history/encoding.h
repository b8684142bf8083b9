// The history's text form: code page 1252 texts of the day files written as
// UTF-8 fields.
#pragma once

#include <string>
#include <string_view>

namespace orvanel::history {

// `text` (code page 1252) as UTF-8, ready for a TAB-separated field: TAB, CR,
// LF and NUL become blanks.
std::string FieldText(std::string_view text);

} // namespace orvanel::history
