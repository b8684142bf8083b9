// The date and time formats of the user's locale, read from the C library
// (nl_langinfo) and written as Windows-style pictures ("M/d/yyyy",
// "HH:mm:ss", "hh:mm:ss tt"). The program sets its locale (setlocale(LC_ALL,
// "")) before asking; this code never changes it. Texts are in the locale's
// own character set (UTF-8 on a modern system).
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "desktop/desktop.h"

namespace orvanel::posix {

// What the C library's locale says, as strftime formats and texts.
struct PosixLocaleTexts {
    std::string dateFormat;                     // D_FMT, e.g. "%m/%d/%Y"
    std::string timeFormat;                     // T_FMT, e.g. "%H:%M:%S" or "%r"
    std::string timeFormatAmPm;                 // T_FMT_AMPM, e.g. "%I:%M:%S %p"
    std::string am, pm;                         // AM_STR, PM_STR
    std::array<std::string, 7> abbreviatedDays; // ABDAY_1..7, Sunday first
};

// A strftime format as a Windows-style picture: %d -> dd, %e -> d, %m -> MM,
// %Y -> yyyy, %y -> yy, %H -> HH, %k -> H, %I -> hh, %l -> h, %M -> mm,
// %S -> ss, %p -> tt, %a -> ddd, %A -> dddd, %b -> MMM, %B -> MMMM; %D, %T,
// %R, %F, %r, %x and %X are expanded; letters of literal text are quoted.
std::string PictureFromStrftime(std::string_view format, const PosixLocaleTexts& texts);

// The locale information from the C library's texts; the defaults of
// LocaleInfo for the C and POSIX locales.
LocaleInfo LocaleInfoFromTexts(const PosixLocaleTexts& texts, bool cLocale);

// The texts of the current LC_TIME locale.
PosixLocaleTexts CurrentLocaleTexts();
bool CurrentTimeLocaleIsC();

} // namespace orvanel::posix
