#include "app/historytable.h"

#include <algorithm>

#include "app/datetimetext.h"
#include "app/windowtexts.h"
#include "desktop/localtime.h"
#include "history/isotime.h"

namespace orvanel {

static_assert(kHistoryColumnCount == kHistoryColumns.size());

namespace {

// `count` digits at `at`, as a number; none when they are not all digits.
std::optional<int> Digits(std::string_view text, std::size_t at, std::size_t count) {
    if (at + count > text.size()) {
        return std::nullopt;
    }
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool At(std::string_view text, std::size_t at, char c) {
    return at < text.size() && text[at] == c;
}

bool IsPictureLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

} // namespace

std::optional<HistoryTime> ParseHistoryTime(std::string_view text) {
    const auto year = Digits(text, 0, 4);
    const auto month = Digits(text, 5, 2);
    const auto day = Digits(text, 8, 2);
    const auto hour = Digits(text, 11, 2);
    const auto minute = Digits(text, 14, 2);
    if (!year || !month || !day || !hour || !minute || !At(text, 4, '-') || !At(text, 7, '-') ||
        !At(text, 10, 'T') || !At(text, 13, ':') || *month < 1 || *month > 12 || *day < 1 ||
        *day > 31 || *hour > 23 || *minute > 59) {
        return std::nullopt;
    }
    HistoryTime time;
    int second = 0;
    std::size_t at = 16;
    if (At(text, at, ':')) {
        const auto seconds = Digits(text, at + 1, 2);
        if (!seconds || *seconds > 59) {
            return std::nullopt;
        }
        second = *seconds;
        time.withSeconds = true;
        at += 3;
    }
    const auto offsetHours = Digits(text, at + 1, 2);
    const auto offsetMinutes = Digits(text, at + 4, 2);
    if ((!At(text, at, '+') && !At(text, at, '-')) || !offsetHours || !At(text, at + 3, ':') ||
        !offsetMinutes || text.size() != at + 6) {
        return std::nullopt;
    }
    const int offset = (*offsetHours * 60 + *offsetMinutes) * (text[at] == '-' ? -1 : 1);
    const std::int64_t localSeconds = history::DaysFromCivil({*year, *month, *day}) * 86400 +
                                      std::int64_t{*hour} * 3600 + std::int64_t{*minute} * 60 +
                                      second;
    time.epochMilliseconds = (localSeconds - std::int64_t{offset} * 60) * 1000;
    return time;
}

std::string WithoutSeconds(std::string_view picture) {
    std::string out;
    bool quoted = false;
    for (std::size_t i = 0; i < picture.size(); ++i) {
        const char c = picture[i];
        if (c == '\'') {
            quoted = !quoted;
            out += c;
        } else if (!quoted && c == 's') {
            // The seconds go, and with them what stands between them and
            // the field before ("h:mm:ss" to "h:mm").
            while (!out.empty() && !IsPictureLetter(out.back()) && out.back() != '\'') {
                out.pop_back();
            }
            while (i + 1 < picture.size() && picture[i + 1] == 's') {
                ++i;
            }
        } else {
            out += c;
        }
    }
    return out;
}

std::string ShortHistoryTime(std::string_view text, const SystemTime& today,
                             const LocaleInfo& locale) {
    const std::optional<HistoryTime> time = ParseHistoryTime(text);
    if (!time) {
        return std::string(text);
    }
    const SystemTime local = LocalTimeFromEpoch(time->epochMilliseconds);
    std::string clock = FormatTime(time->withSeconds ? locale.longTimeFormat
                                                     : WithoutSeconds(locale.longTimeFormat),
                                   local, locale);
    if (local.year == today.year && local.month == today.month && local.day == today.day) {
        return clock;
    }
    const auto weekday = static_cast<std::size_t>(std::clamp(local.dayOfWeek, 0, 6));
    return locale.abbreviatedDayNames.at(weekday) + " " +
           FormatDate(locale.shortDateFormat, local, locale) + " " + clock;
}

std::array<int, kHistoryColumnCount>
HistoryColumnWidths(const std::array<int, kHistoryColumnCount>& content, int available, int dpi) {
    const auto scaled = [dpi](int designPixels) { return designPixels * dpi / 96; };
    std::array<int, kHistoryColumnCount> widths = content;
    for (const std::size_t text : {kExeNameColumn, kWindowTitleColumn}) {
        widths[text] = std::min(widths[text], scaled(kHistoryTextColumnMaxWidth));
    }
    int used = 0;
    for (std::size_t column = 0; column < kDetailColumn; ++column) {
        used += widths[column];
    }
    // The text columns give up what the Detail column lacks, the wider first.
    int lacking = used + scaled(kHistoryDetailMinWidth) - available;
    while (lacking > 0) {
        const std::size_t wider = widths[kExeNameColumn] >= widths[kWindowTitleColumn]
                                      ? kExeNameColumn
                                      : kWindowTitleColumn;
        const int room = widths[wider] - scaled(kHistoryTextColumnMinWidth);
        if (room <= 0) {
            break;
        }
        const int given = std::min({room, lacking, std::max(1, lacking / 2)});
        widths[wider] -= given;
        used -= given;
        lacking -= given;
    }
    widths[kDetailColumn] = std::max(available - used, scaled(kHistoryDetailMinWidth));
    return widths;
}

bool IsProblem(const history::HistoryLine& entry) {
    return entry.outcome == history::Outcome::Skipped ||
           entry.outcome == history::Outcome::Missed || entry.outcome == history::Outcome::Error;
}

// ---- The table ----

bool HistoryTable::SetToday(const SystemTime& now) {
    const bool changed =
        now.year != today_.year || now.month != today_.month || now.day != today_.day;
    today_ = now;
    return changed;
}

bool HistoryTable::SetProblemsOnly(bool problemsOnly) {
    if (problemsOnly == problemsOnly_) {
        return false;
    }
    problemsOnly_ = problemsOnly;
    Rebuild();
    return true;
}

void HistoryTable::Rebuild() {
    problems_.clear();
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (IsProblem(records_[i])) {
            problems_.push_back(i);
        }
    }
}

std::pair<std::size_t, std::size_t> HistoryTable::RecordsChanged(std::size_t added,
                                                                 std::size_t dropped) {
    if (!problemsOnly_) {
        return {added, dropped};
    }
    const std::size_t before = problems_.size();
    Rebuild();
    std::size_t shownAdded = 0;
    while (shownAdded < problems_.size() && problems_[shownAdded] < added) {
        ++shownAdded;
    }
    // What came in at the front and what is left make the rows shown now.
    const std::size_t kept = problems_.size() - shownAdded;
    return {shownAdded, before > kept ? before - kept : 0};
}

std::size_t HistoryTable::RowCount() const {
    return problemsOnly_ ? problems_.size() : records_.size();
}

const history::HistoryLine& HistoryTable::Row(std::size_t row) const {
    return records_.at(problemsOnly_ ? problems_.at(row) : row);
}

std::string HistoryTable::CellText(std::size_t row, std::size_t column) const {
    const history::HistoryLine& entry = Row(row);
    if (column == kDueColumn || column == kStartedColumn) {
        return ShortHistoryTime(column == kDueColumn ? entry.due : entry.started, today_, locale_);
    }
    return std::string(history::HistoryField(entry, column));
}

std::string HistoryTable::CellTip(std::size_t row, std::size_t column) const {
    if (column != kDueColumn && column != kStartedColumn) {
        return {};
    }
    const std::string& time = column == kDueColumn ? Row(row).due : Row(row).started;
    return ParseHistoryTime(time) ? time : std::string();
}

std::string HistoryTable::RowDetail(std::size_t row) const {
    return Row(row).detail;
}

std::string HistoryTable::LastRunText() const {
    return "Last run: " + (records_.empty() ? std::string("none recorded")
                                            : RecordInWords(records_.front(), today_, locale_));
}

std::string RecordInWords(const history::HistoryLine& entry, const SystemTime& today,
                          const LocaleInfo& locale) {
    std::string text = entry.started != "-" ? ShortHistoryTime(entry.started, today, locale)
                                            : "due " + ShortHistoryTime(entry.due, today, locale);
    text += ", ";
    text += history::OutcomeName(entry.outcome);
    if (entry.day != "-") {
        text += ", " + entry.day + " row " + entry.row;
    }
    if (!entry.exeName.empty()) {
        text += ", " + entry.exeName;
    }
    if (!entry.windowTitle.empty()) {
        text += ", \"" + entry.windowTitle + "\"";
    }
    if (!entry.detail.empty()) {
        text += ": " + entry.detail;
    }
    return text;
}

} // namespace orvanel
