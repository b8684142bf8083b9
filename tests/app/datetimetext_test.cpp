// The date-time text of the date label.
#include <gtest/gtest.h>

#include <string>

#include "app/datetimetext.h"

namespace orvanel {
namespace {

SystemTime At(int year, int month, int day, int dayOfWeek, int hour, int minute, int second) {
    SystemTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    t.dayOfWeek = dayOfWeek;
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    t.milliseconds = 500;
    return t;
}

LocaleInfo German() {
    LocaleInfo locale;
    locale.shortDateFormat = "dd.MM.yyyy";
    locale.dateSeparator = ".";
    locale.longTimeFormat = "HH:mm:ss";
    locale.amDesignator = "";
    locale.pmDesignator = "";
    locale.abbreviatedDayNames = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
    return locale;
}

TEST(DateTimeText, UsAndGermanLocales) {
    struct Case {
        SystemTime time;
        std::string us;
        std::string german;
    };
    const Case cases[] = {
        {At(2026, 1, 5, 1, 7, 0, 0), "1/5/2026 7:00:00 AM", "05.01.2026 07:00:00"},
        {At(2026, 1, 5, 1, 12, 0, 0), "1/5/2026 12:00:00 PM", "05.01.2026 12:00:00"},
        {At(2026, 12, 31, 4, 23, 59, 59), "12/31/2026 11:59:59 PM", "31.12.2026 23:59:59"},
        {At(2026, 1, 5, 1, 0, 0, 0), "1/5/2026", "05.01.2026"}, // midnight: the date alone
        {At(2026, 1, 5, 1, 0, 0, 1), "1/5/2026 12:00:01 AM", "05.01.2026 00:00:01"},
        {At(2026, 1, 5, 1, 0, 1, 0), "1/5/2026 12:01:00 AM", "05.01.2026 00:01:00"},
        {At(2026, 1, 5, 1, 1, 0, 0), "1/5/2026 1:00:00 AM", "05.01.2026 01:00:00"},
        {At(2026, 1, 5, 1, 13, 5, 9), "1/5/2026 1:05:09 PM", "05.01.2026 13:05:09"},
        {At(905, 3, 1, 0, 9, 0, 0), "3/1/0905 9:00:00 AM", "01.03.0905 09:00:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.us);
        EXPECT_EQ(DateTimeText(c.time, LocaleInfo{}), c.us);
        EXPECT_EQ(DateTimeText(c.time, German()), c.german);
    }
}

TEST(DateTimeText, DatePictures) {
    const SystemTime t = At(2026, 3, 7, 6, 14, 5, 9); // Saturday
    const std::pair<std::string, std::string> cases[] = {
        {"d dd ddd dddd", "7 07 Sat Saturday"},
        {"M MM MMM MMMM", "3 03 Mar March"},
        {"y yy yyyy", "26 26 2026"},
        {"yyyy-MM-dd", "2026-03-07"},
        {"dddd, MMMM d, yyyy", "Saturday, March 7, 2026"},
        {"'day' d 'of' MMMM", "day 7 of March"},
        {"d'''s'", "7's"},
        {"d.M.yy", "7.3.26"},
        {"d/M/y", "7-3-26"},     // "/" is the date separator
        {"hh:mm 'x", "hh:mm x"}, // time letters mean nothing in a date picture
        {"", ""},
    };
    LocaleInfo locale;
    locale.dateSeparator = "-";
    for (const auto& [picture, text] : cases) {
        SCOPED_TRACE(picture);
        EXPECT_EQ(FormatDate(picture, t, locale), text);
    }
    // The abbreviated weekday names come from the locale.
    EXPECT_EQ(FormatDate("ddd", t, German()), "Sa");
    EXPECT_EQ(FormatDate("yy", At(2005, 1, 1, 6, 0, 0, 0), locale), "05");
    EXPECT_EQ(FormatDate("y", At(2005, 1, 1, 6, 0, 0, 0), locale), "5");
}

TEST(DateTimeText, TimePictures) {
    const std::pair<std::string, std::string> cases[] = {
        {"h:mm:ss tt", "2.05.09 PM"}, // ":" is the time separator
        {"hh:mm:ss t", "02.05.09 P"},        {"H:m:s", "14.5.9"}, {"HH'h'mm", "14h05"},
        {"tt h 'o''clock'", "PM 2 o'clock"}, {"d M y", "d M y"}, // date letters mean nothing in a
                                                                 // time picture
    };
    LocaleInfo locale;
    locale.timeSeparator = ".";
    for (const auto& [picture, text] : cases) {
        SCOPED_TRACE(picture);
        EXPECT_EQ(FormatTime(picture, At(2026, 3, 7, 6, 14, 5, 9), locale), text);
    }
    EXPECT_EQ(FormatTime("hh tt", At(2026, 3, 7, 6, 0, 5, 0), locale), "12 AM");
    EXPECT_EQ(FormatTime("hh tt", At(2026, 3, 7, 6, 9, 5, 0), locale), "09 AM");
}

} // namespace
} // namespace orvanel
