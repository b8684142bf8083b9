#include "desktop/posix/localeinfo.h"

#include <clocale>
#include <cstring>
#include <langinfo.h>

namespace orvanel::posix {

namespace {

class PictureWriter {
public:
    void Field(const char* picture) {
        CloseQuote();
        out_ += picture;
    }
    void Literal(char c) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (c == '\'') {
            // Two quotes stand for one, inside a quoted run as outside it.
            if (!quoted_) {
                out_ += '\'';
                quoted_ = true;
            }
            out_ += "''";
        } else if (letter) {
            if (!quoted_) {
                out_ += '\'';
                quoted_ = true;
            }
            out_ += c;
        } else {
            CloseQuote();
            out_ += c;
        }
    }
    std::string Take() {
        CloseQuote();
        return std::move(out_);
    }

private:
    void CloseQuote() {
        if (quoted_) {
            out_ += '\'';
            quoted_ = false;
        }
    }
    std::string out_;
    bool quoted_ = false;
};

void Convert(std::string_view format, const PosixLocaleTexts& texts, PictureWriter& w, int depth) {
    if (depth > 4) {
        return; // a format that names itself
    }
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c != '%') {
            w.Literal(c);
            continue;
        }
        // GNU flags and a field width: "%-d" is the day without padding.
        bool unpadded = false;
        std::size_t j = i + 1;
        while (j < format.size() && std::strchr("-_0^#", format[j]) != nullptr) {
            unpadded = unpadded || format[j] == '-' || format[j] == '_';
            ++j;
        }
        while (j < format.size() && format[j] >= '0' && format[j] <= '9') {
            ++j;
        }
        if (j < format.size() && (format[j] == 'E' || format[j] == 'O')) {
            ++j;
        }
        if (j >= format.size()) {
            return;
        }
        i = j;
        switch (format[j]) {
        case 'a':
            w.Field("ddd");
            break;
        case 'A':
            w.Field("dddd");
            break;
        case 'b':
        case 'h':
            w.Field("MMM");
            break;
        case 'B':
            w.Field("MMMM");
            break;
        case 'd':
            w.Field(unpadded ? "d" : "dd");
            break;
        case 'e':
            w.Field("d");
            break;
        case 'm':
            w.Field(unpadded ? "M" : "MM");
            break;
        case 'y':
            w.Field("yy");
            break;
        case 'Y':
        case 'G':
            w.Field("yyyy");
            break;
        case 'H':
            w.Field(unpadded ? "H" : "HH");
            break;
        case 'k':
            w.Field("H");
            break;
        case 'I':
            w.Field(unpadded ? "h" : "hh");
            break;
        case 'l':
            w.Field("h");
            break;
        case 'M':
            w.Field(unpadded ? "m" : "mm");
            break;
        case 'S':
            w.Field(unpadded ? "s" : "ss");
            break;
        case 'p':
        case 'P':
            w.Field("tt");
            break;
        case 'D':
            Convert("%m/%d/%y", texts, w, depth + 1);
            break;
        case 'F':
            Convert("%Y-%m-%d", texts, w, depth + 1);
            break;
        case 'T':
            Convert("%H:%M:%S", texts, w, depth + 1);
            break;
        case 'R':
            Convert("%H:%M", texts, w, depth + 1);
            break;
        case 'r':
            Convert(texts.timeFormatAmPm.empty() ? "%I:%M:%S %p" : texts.timeFormatAmPm, texts, w,
                    depth + 1);
            break;
        case 'x':
            Convert(texts.dateFormat, texts, w, depth + 1);
            break;
        case 'X':
            Convert(texts.timeFormat, texts, w, depth + 1);
            break;
        case 'n':
        case 't':
            w.Literal(' ');
            break;
        case '%':
            w.Literal('%');
            break;
        default:
            break; // fields a date picture has no place for (%Z, %j, ...)
        }
    }
}

// The first separator of a picture: the first character outside quotes that
// is neither a field letter nor a blank.
std::string FirstSeparator(const std::string& picture, const char* fallback) {
    bool quoted = false;
    for (char c : picture) {
        if (c == '\'') {
            quoted = !quoted;
            continue;
        }
        if (quoted || c == ' ' || std::strchr("dMyHhmst", c) != nullptr) {
            continue;
        }
        return std::string(1, c);
    }
    return fallback;
}

} // namespace

std::string PictureFromStrftime(std::string_view format, const PosixLocaleTexts& texts) {
    PictureWriter writer;
    Convert(format, texts, writer, 0);
    return writer.Take();
}

LocaleInfo LocaleInfoFromTexts(const PosixLocaleTexts& texts, bool cLocale) {
    LocaleInfo info;
    if (cLocale) {
        return info;
    }
    if (!texts.dateFormat.empty()) {
        info.shortDateFormat = PictureFromStrftime(texts.dateFormat, texts);
        info.dateSeparator = FirstSeparator(info.shortDateFormat, "/");
    }
    const std::string& time = texts.timeFormat.empty() ? texts.timeFormatAmPm : texts.timeFormat;
    if (!time.empty()) {
        info.longTimeFormat = PictureFromStrftime(time, texts);
        info.timeSeparator = FirstSeparator(info.longTimeFormat, ":");
    }
    info.amDesignator = texts.am;
    info.pmDesignator = texts.pm;
    for (int d = 0; d < 7; ++d) {
        if (!texts.abbreviatedDays[d].empty()) {
            info.abbreviatedDayNames[d] = texts.abbreviatedDays[d];
        }
    }
    return info;
}

PosixLocaleTexts CurrentLocaleTexts() {
    PosixLocaleTexts t;
    t.dateFormat = nl_langinfo(D_FMT);
    t.timeFormat = nl_langinfo(T_FMT);
    t.timeFormatAmPm = nl_langinfo(T_FMT_AMPM);
    t.am = nl_langinfo(AM_STR);
    t.pm = nl_langinfo(PM_STR);
    constexpr nl_item days[7] = {ABDAY_1, ABDAY_2, ABDAY_3, ABDAY_4, ABDAY_5, ABDAY_6, ABDAY_7};
    for (int d = 0; d < 7; ++d) {
        t.abbreviatedDays[d] = nl_langinfo(days[d]);
    }
    return t;
}

bool CurrentTimeLocaleIsC() {
    const char* name = std::setlocale(LC_TIME, nullptr);
    if (name == nullptr) {
        return true;
    }
    return std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0 ||
           std::strncmp(name, "C.", 2) == 0;
}

} // namespace orvanel::posix
