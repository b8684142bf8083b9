// The date-time text of the date label: the local date in the locale's short
// date format, a blank and the time in its long time format. At exactly
// midnight (00:00:00) the blank and the time are left out. The texts are in
// the character set of the locale's texts (LocaleInfo), as the view shows
// them.
#pragma once

#include <string>

#include "desktop/desktop.h"

namespace orvanel {

// Writes a date with a Windows date picture: d dd ddd dddd (day, with leading
// zero, abbreviated and full weekday name), M MM MMM MMMM (month, with leading
// zero, abbreviated and full month name), y yy yyyy (year in the century
// without and with leading zero, full year). Text in single quotes is copied
// ('' is one quote), "/" becomes the locale's date separator, and every other
// character is copied as it is. The abbreviated weekday names come from the
// locale; full weekday names and month names are English.
std::string FormatDate(const std::string& picture, const SystemTime& time,
                       const LocaleInfo& locale);

// Writes a time with a Windows time picture: h hh (12-hour clock), H HH
// (24-hour clock), m mm, s ss, t tt (first character of, or the whole AM/PM
// designator). Quoting as for dates; ":" becomes the locale's time separator.
std::string FormatTime(const std::string& picture, const SystemTime& time,
                       const LocaleInfo& locale);

// The short date, a blank and the long time; only the date at 00:00:00.
std::string DateTimeText(const SystemTime& time, const LocaleInfo& locale);

} // namespace orvanel
