// Task lines and integer texts.
//
// A task line is one text of at most 255 8-bit characters: EXE name, Window
// Title, Hour, Min. and Script joined by "|", with no escape. The Script is cut
// at ";" into script steps. All four operations treat a NUL character as the
// end of the text and look at no more than the first 255 characters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvanel {

constexpr std::size_t kMaxTextLength = 255;

// The five fields of a task line, in their order. A field's index is also
// its column in a day grid.
constexpr std::int32_t kExeNameField = 0;     // "EXE name"
constexpr std::int32_t kWindowTitleField = 1; // "Window Title"
constexpr std::int32_t kHourField = 2;        // "Hour"
constexpr std::int32_t kMinuteField = 3;      // "Min."
constexpr std::int32_t kScriptField = 4;      // "Script"
constexpr std::int32_t kTaskFieldCount = 5;

// The separator between the fields of a task line, and the one between the
// steps of a Script.
constexpr std::string_view kFieldSeparator = "|";
constexpr std::string_view kStepSeparator = ";";

// The text before its first NUL byte (the whole text when it has none).
std::string_view TextBeforeNul(std::string_view text);

// What a cell or a line shows: at most its first 255 characters, and nothing
// from the first NUL on.
std::string_view ReadableText(std::string_view text);

// Field `index` (from 0) of `line` cut at every occurrence of the first
// character of `separator` (NUL when `separator` is empty), or an empty text
// when there is no such field. Never fails.
std::string ExtractField(std::string_view line, std::string_view separator, std::int32_t index);

// How often the first character of `character` (NUL, never counted, when it
// is empty) occurs in `text`.
std::int32_t CountChar(std::string_view text, std::string_view character);

// The value of an integer text: leading blanks, then an optional sign and
// decimal digits (signed 32-bit range), or "$" and at most 32 bits of
// hexadecimal digits taken as two's complement. Anything else throws Error
// "'<text>' is not a valid integer value".
std::int32_t TextToInt(std::string_view text);

// As TextToInt, but returns `defaultValue` for a malformed text.
std::int32_t TextToIntDef(std::string_view text, std::int32_t defaultValue);

} // namespace orvanel
