// The History page's table as every view shows it: the latest records, all
// of them or only the problems, with times in the user's locale and time
// zone ("7:05 AM" today, "Mon 12/7/2026 7:05 AM" on another day) and the
// full ISO value as their tool tip. The history file keeps its own format;
// only the page reads it this way. Texts are UTF-8.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "desktop/desktop.h"
#include "history/record.h"

namespace orvanel {

// The columns of the table, in the order of kHistoryColumns.
enum HistoryColumn : std::size_t {
    kDueColumn = 0,
    kStartedColumn = 1,
    kExeNameColumn = 5,
    kWindowTitleColumn = 6,
    kDetailColumn = 7,
};

// The table's columns are as wide as their content, and the Detail column
// takes the rest. The EXE name and Window Title columns grow with their
// content up to kHistoryTextColumnMaxWidth, and give up width, down to
// kHistoryTextColumnMinWidth, so that the Detail column keeps at least
// kHistoryDetailMinWidth (pixels at 96 dpi).
inline constexpr int kHistoryTextColumnMaxWidth = 160;
inline constexpr int kHistoryTextColumnMinWidth = 60;
inline constexpr int kHistoryDetailMinWidth = 120;
inline constexpr std::size_t kHistoryColumnCount = 8;

// The widths of the columns from the widths of their content (the Detail
// column's is not used) in a table `available` pixels wide, at `dpi` dots per
// inch.
std::array<int, kHistoryColumnCount>
HistoryColumnWidths(const std::array<int, kHistoryColumnCount>& content, int available, int dpi);

// A time of the history file: "2026-12-08T07:05+01:00" (a due minute) or
// "2026-12-08T07:05:00+01:00" (when a run began).
struct HistoryTime {
    std::int64_t epochMilliseconds = 0; // since 1970-01-01 00:00 UTC
    bool withSeconds = false;
};
// None for any other text ("now", "-", a damaged field).
std::optional<HistoryTime> ParseHistoryTime(std::string_view text);

// A time picture without its seconds and what separates them: "h:mm:ss tt"
// gives "h:mm tt", "HH:mm:ss" gives "HH:mm".
std::string WithoutSeconds(std::string_view timePicture);

// A history time in the local time zone: the time alone on the day of
// `today`, otherwise the abbreviated weekday, the short date and the time;
// seconds only when the file has them. Any other text stays as it is.
// `locale` holds UTF-8 texts.
std::string ShortHistoryTime(std::string_view text, const SystemTime& today,
                             const LocaleInfo& locale);

// Skipped, missed or error: a run that did not go as planned.
bool IsProblem(const history::HistoryLine& entry);

class HistoryTable {
public:
    using Records = std::deque<history::HistoryLine>;

    // Shows `records` (newest first), which must outlive the table.
    explicit HistoryTable(const Records& records) : records_(records) {}

    // The locale's pictures and names, in UTF-8.
    void SetLocale(LocaleInfo locale) { locale_ = std::move(locale); }
    // The clock: which day is today. True when the day has changed, so that
    // the times are to be shown again.
    bool SetToday(const SystemTime& now);

    // All runs, or only the problems. True when that changed.
    bool SetProblemsOnly(bool problemsOnly);
    bool ProblemsOnly() const { return problemsOnly_; }

    // The records gained `added` at the front and lost `dropped` at the back;
    // returns the same for the rows shown.
    std::pair<std::size_t, std::size_t> RecordsChanged(std::size_t added, std::size_t dropped);

    std::size_t RowCount() const;
    const history::HistoryLine& Row(std::size_t row) const;
    // The text of a cell: the times short, the rest as the file has it.
    std::string CellText(std::size_t row, std::size_t column) const;
    // The tool tip that a cell always has: the full ISO value of a time;
    // empty for the rest, which show their whole text when it is cut.
    std::string CellTip(std::size_t row, std::size_t column) const;
    // The whole detail of a row, for the line under the table.
    std::string RowDetail(std::size_t row) const;
    // "Last run: " and the newest record in words, or "Last run: none
    // recorded".
    std::string LastRunText() const;

private:
    void Rebuild();

    const Records& records_;
    LocaleInfo locale_;
    SystemTime today_;
    bool problemsOnly_ = false;
    std::vector<std::size_t> problems_; // indexes of the problem records, in order
};

// A record in words, its time short: "7:30:00 AM, typed, Mon row 1,
// notepad.exe, "Untitled - Notepad": window found; ...".
std::string RecordInWords(const history::HistoryLine& entry, const SystemTime& today,
                          const LocaleInfo& locale);

} // namespace orvanel
