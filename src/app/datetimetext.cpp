#include "app/datetimetext.h"

#include <array>
#include <cstddef>

namespace orvanel {

namespace {

constexpr std::array<const char*, 7> kDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};
constexpr std::array<const char*, 12> kMonthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

std::string Number(int value, int width) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    while (static_cast<int>(digits.size()) < width) {
        digits.insert(digits.begin(), '0');
    }
    return value < 0 ? "-" + digits : digits;
}

std::size_t Index(int value, std::size_t size) {
    const auto index = static_cast<std::size_t>(value);
    return value < 0 || index >= size ? 0 : index;
}

enum class Kind { Date, Time };

// Writes the field of one picture letter repeated `count` times; false when
// the letter is not a field of this kind of picture.
bool Field(Kind kind, char letter, int count, const SystemTime& t, const LocaleInfo& locale,
           std::string& out) {
    if (kind == Kind::Date) {
        switch (letter) {
        case 'd':
            if (count <= 2) {
                out += Number(t.day, count);
            } else if (count == 3) {
                out += locale.abbreviatedDayNames[Index(t.dayOfWeek, 7)];
            } else {
                out += kDayNames[Index(t.dayOfWeek, 7)];
            }
            return true;
        case 'M':
            if (count <= 2) {
                out += Number(t.month, count);
            } else if (count == 3) {
                out += std::string(kMonthNames[Index(t.month - 1, 12)]).substr(0, 3);
            } else {
                out += kMonthNames[Index(t.month - 1, 12)];
            }
            return true;
        case 'y':
            if (count <= 2) {
                out += Number(t.year % 100, count);
            } else {
                out += Number(t.year, 4);
            }
            return true;
        default:
            return false;
        }
    }
    const int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
    const std::string& designator = t.hour < 12 ? locale.amDesignator : locale.pmDesignator;
    switch (letter) {
    case 'h':
        out += Number(hour12, count >= 2 ? 2 : 1);
        return true;
    case 'H':
        out += Number(t.hour, count >= 2 ? 2 : 1);
        return true;
    case 'm':
        out += Number(t.minute, count >= 2 ? 2 : 1);
        return true;
    case 's':
        out += Number(t.second, count >= 2 ? 2 : 1);
        return true;
    case 't':
        out += count >= 2 ? designator : designator.substr(0, 1);
        return true;
    default:
        return false;
    }
}

std::string Format(Kind kind, const std::string& picture, const SystemTime& t,
                   const LocaleInfo& locale) {
    std::string out;
    std::size_t i = 0;
    while (i < picture.size()) {
        const char c = picture[i];
        if (c == '\'') {
            // Quoted text up to the next lone quote; '' stands for one quote.
            ++i;
            while (i < picture.size()) {
                if (picture[i] == '\'') {
                    if (i + 1 < picture.size() && picture[i + 1] == '\'') {
                        out += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                out += picture[i++];
            }
            continue;
        }
        std::size_t end = i;
        while (end < picture.size() && picture[end] == c) {
            ++end;
        }
        if (Field(kind, c, static_cast<int>(end - i), t, locale, out)) {
            i = end;
            continue;
        }
        if (kind == Kind::Date && c == '/') {
            out += locale.dateSeparator;
        } else if (kind == Kind::Time && c == ':') {
            out += locale.timeSeparator;
        } else {
            out += c;
        }
        ++i;
    }
    return out;
}

} // namespace

std::string FormatDate(const std::string& picture, const SystemTime& time,
                       const LocaleInfo& locale) {
    return Format(Kind::Date, picture, time, locale);
}

std::string FormatTime(const std::string& picture, const SystemTime& time,
                       const LocaleInfo& locale) {
    return Format(Kind::Time, picture, time, locale);
}

std::string DateTimeText(const SystemTime& time, const LocaleInfo& locale) {
    std::string text = FormatDate(locale.shortDateFormat, time, locale);
    if (time.hour != 0 || time.minute != 0 || time.second != 0) {
        text += ' ';
        text += FormatTime(locale.longTimeFormat, time, locale);
    }
    return text;
}

} // namespace orvanel
