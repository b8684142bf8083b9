// The read-only month calendar of the General page (window class
// "OrvanelCalendar"): a grid of 7 columns and 7 rows whose cells share its
// area evenly, with no month header and no arrows. Row 0 holds the
// abbreviated weekday names, Sunday in column 0; rows 1 to 6 hold the day
// numbers of the month, the first of the month in row 1 under its weekday;
// the cells before the first and after the last day are empty. The day it
// was given is drawn highlighted. Nothing the user does moves the highlight:
// it is no stop of the Tab key, ignores clicks, keys and the wheel, and shows
// the not-allowed cursor.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "desktop/desktop.h"

namespace orvanel::win32ui {

inline constexpr const wchar_t* kCalendarClassName = L"OrvanelCalendar";

// Asks the calendar what it shows at a point of its client area (lParam,
// packed as for a mouse message): the day number of the cell there, 0 for
// an empty cell, -1 for a weekday name.
inline constexpr UINT kCalendarDayAtMessage = WM_APP + 2;

// Registers the window class once per process.
bool RegisterCalendar(HINSTANCE instance);

// A calendar of the month of `date` on `parent`; `dayNames` are the
// abbreviated weekday names, Sunday first.
HWND CreateCalendar(HWND parent, int id, const SystemTime& date,
                    const std::array<std::wstring, 7>& dayNames);

} // namespace orvanel::win32ui
