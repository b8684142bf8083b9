// The locale's date and time formats as Windows-style pictures.
#include <gtest/gtest.h>

#include <clocale>

#include "desktop/posix/localeinfo.h"

namespace orvanel {
namespace {

posix::PosixLocaleTexts Texts(const char* date, const char* time, const char* ampm = "%I:%M:%S %p",
                              const char* am = "AM", const char* pm = "PM") {
    posix::PosixLocaleTexts t;
    t.dateFormat = date;
    t.timeFormat = time;
    t.timeFormatAmPm = ampm;
    t.am = am;
    t.pm = pm;
    t.abbreviatedDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    return t;
}

TEST(LocalePictureTest, StrftimeFormatsBecomeWindowsPictures) {
    const auto texts = Texts("%m/%d/%Y", "%r");
    struct Case {
        const char* format;
        const char* picture;
    };
    const Case cases[] = {
        {"%m/%d/%Y", "MM/dd/yyyy"},
        {"%d.%m.%Y", "dd.MM.yyyy"},
        {"%Y-%m-%d", "yyyy-MM-dd"},
        {"%d/%m/%y", "dd/MM/yy"},
        {"%e.%-m.%Y", "d.M.yyyy"},
        {"%H:%M:%S", "HH:mm:ss"},
        {"%I:%M:%S %p", "hh:mm:ss tt"},
        {"%l:%M %P", "h:mm tt"},
        {"%k.%M", "H.mm"},
        {"%T", "HH:mm:ss"},
        {"%R", "HH:mm"},
        {"%D", "MM/dd/yy"},
        {"%F", "yyyy-MM-dd"},
        {"%r", "hh:mm:ss tt"},
        {"%x", "MM/dd/yyyy"},
        {"%a %d %b %Y", "ddd dd MMM yyyy"},
        {"%A, %B %d", "dddd, MMMM dd"},
        {"%Hh%M", "HH'h'mm"}, // letters of literal text are quoted
        {"%d de %B", "dd 'de' MMMM"},
        {"%Y\xE5\xB9\xB4%m\xE6\x9C\x88", "yyyy\xE5\xB9\xB4MM\xE6\x9C\x88"}, // other text copied
        {"it's %H", "'it''s' HH"},                                          // a quote is doubled
        {"%Ey %Od %Z%%", "yy dd %"}, // modifiers dropped, unknown fields left out
        {"%", ""},                   // a lone % at the end
    };
    for (const Case& c : cases) {
        EXPECT_EQ(posix::PictureFromStrftime(c.format, texts), c.picture) << c.format;
    }
    // A format that names itself does not loop.
    EXPECT_EQ(posix::PictureFromStrftime("%x", Texts("%x", "%X")), "");
}

TEST(LocalePictureTest, LocaleInfoFromTheLocalesTexts) {
    const LocaleInfo us = posix::LocaleInfoFromTexts(Texts("%m/%d/%Y", "%r"), false);
    EXPECT_EQ(us.shortDateFormat, "MM/dd/yyyy");
    EXPECT_EQ(us.dateSeparator, "/");
    EXPECT_EQ(us.longTimeFormat, "hh:mm:ss tt");
    EXPECT_EQ(us.timeSeparator, ":");
    EXPECT_EQ(us.amDesignator, "AM");

    auto germanTexts = Texts("%d.%m.%Y", "%T", "", "", "");
    germanTexts.abbreviatedDays = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
    const LocaleInfo de = posix::LocaleInfoFromTexts(germanTexts, false);
    EXPECT_EQ(de.shortDateFormat, "dd.MM.yyyy");
    EXPECT_EQ(de.dateSeparator, ".");
    EXPECT_EQ(de.longTimeFormat, "HH:mm:ss");
    EXPECT_EQ(de.amDesignator, "");
    EXPECT_EQ(de.abbreviatedDayNames[0], "So");
    EXPECT_EQ(de.abbreviatedDayNames[6], "Sa");

    const LocaleInfo iso = posix::LocaleInfoFromTexts(Texts("%Y-%m-%d", "%H.%M.%S"), false);
    EXPECT_EQ(iso.dateSeparator, "-");
    EXPECT_EQ(iso.timeSeparator, ".");
}

TEST(LocalePictureTest, TheCLocaleGivesTheDefaults) {
    const char* saved = std::setlocale(LC_ALL, nullptr);
    const std::string keep = saved != nullptr ? saved : "C";
    std::setlocale(LC_ALL, "C");
    ASSERT_TRUE(posix::CurrentTimeLocaleIsC());
    const LocaleInfo info =
        posix::LocaleInfoFromTexts(posix::CurrentLocaleTexts(), posix::CurrentTimeLocaleIsC());
    EXPECT_EQ(info.shortDateFormat, "M/d/yyyy");
    EXPECT_EQ(info.longTimeFormat, "h:mm:ss tt");
    EXPECT_EQ(info.abbreviatedDayNames[1], "Mon");
    std::setlocale(LC_ALL, keep.c_str());
}

} // namespace
} // namespace orvanel
