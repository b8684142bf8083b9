#include "schedule/store.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <system_error>
#include <utility>

#include "schedule/celltext.h"
#include "schedule/error.h"
#include "schedule/taskline.h"

namespace orvanel {

const std::array<const char*, kDayCount> kDayFileNames = {
    "monlist.ini", "tuelist.ini", "wedlist.ini", "thulist.ini",
    "frilist.ini", "satlist.ini", "sunlist.ini",
};

namespace {

// "Cannot open file tuelist.ini", with the cause when it is known.
std::string CannotOpen(const char* name, int error = 0) {
    std::string text = std::string("Cannot open file ") + name;
    if (error == ENOMEM) {
        text += ": not enough memory";
    } else if (error != 0) {
        text += ": " + std::generic_category().message(error);
    }
    return text;
}

std::size_t Index(int i) {
    return static_cast<std::size_t>(i);
}

// A count with thousands separated: "250,000".
std::string Thousands(std::uint64_t count) {
    std::string digits = std::to_string(count);
    for (std::size_t at = digits.size(); at > 3; at -= 3) {
        digits.insert(at - 3, ",");
    }
    return digits;
}

// A size in the largest binary unit it reaches: "100 GiB", "1.5 MiB", "12 bytes".
std::string SizeText(std::uint64_t bytes) {
    static constexpr std::array<const char*, 5> kUnits = {"bytes", "KiB", "MiB", "GiB", "TiB"};
    std::size_t unit = 0;
    double value = static_cast<double>(bytes);
    while (unit + 1 < kUnits.size() && value >= 1024) {
        value /= 1024;
        ++unit;
    }
    std::array<char, 32> number{};
    const bool tenths =
        unit > 0 && value < 9.95 && value != static_cast<double>(static_cast<int>(value));
    std::snprintf(number.data(), number.size(), tenths ? "%.1f" : "%.0f", value);
    return std::string(number.data()) + " " + kUnits.at(unit);
}

// What a file too large for the store is reported as.
std::string TooLargeText(const std::string& name, bool settings, std::uint64_t bytes,
                         std::size_t lines) {
    const std::string kind = settings ? "settings files" : "day files";
    if (lines > 0) {
        return name + " has " + Thousands(lines) + " lines; Orvanel reads " + kind + " of up to " +
               Thousands(kMaxFileLines) + " lines";
    }
    // A size that reads as the limit itself (or was not known) is "over" it.
    const std::string limit = SizeText(kMaxFileBytes);
    const bool shown = bytes > kMaxFileBytes && SizeText(bytes) != limit;
    return name + " is " + (shown ? SizeText(bytes) : "over " + limit) + "; Orvanel reads " + kind +
           " of up to " + limit;
}

} // namespace

void ScheduleStore::HoldFailed(FileText& text, std::string message) {
    text.state = ReadResult::Failed;
    text.hash = 0;
    std::vector<std::string>().swap(text.lines);
    text.message = std::move(message);
}

std::string MemoryScheduleView::Cell(int day, int column, int row) const {
    return cells_.at(Index(day)).at(Index(row)).at(Index(column));
}

void MemoryScheduleView::SetCell(int day, int column, int row, const std::string& text) {
    cells_.at(Index(day)).at(Index(row)).at(Index(column)) = text;
}

std::size_t CountLines(std::string_view text) {
    text = TextBeforeNul(text);
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
            ++count;
        }
    }
    if (!text.empty() && text.back() != '\n' && text.back() != '\r') {
        ++count; // a last line without a line end
    }
    return count;
}

namespace {

// SplitLines of a text (without its NUL and what follows) of `count` lines.
std::vector<std::string> SplitCounted(std::string_view text, std::size_t count) {
    std::vector<std::string> lines;
    lines.reserve(count); // allocated once
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        lines.emplace_back(text.substr(start, i - start));
        i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
        start = i;
    }
    if (start < text.size()) {
        lines.emplace_back(text.substr(start));
    }
    return lines;
}

} // namespace

std::vector<std::string> SplitLines(std::string_view text) {
    return SplitCounted(TextBeforeNul(text), CountLines(text));
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::size_t size = 0;
    for (const std::string& line : lines) {
        size += line.size() + 2;
    }
    std::string text;
    text.reserve(size);
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::string RowLine(const ScheduleView& view, int day, int row) {
    std::string line = OneLineCell(view.Cell(day, kExeNameField, row));
    for (int column = kExeNameField + 1; column < kGridColumns; ++column) {
        line += kFieldSeparator;
        line += OneLineCell(view.Cell(day, column, row));
    }
    if (line.size() > kMaxTextLength) {
        line.resize(kMaxTextLength);
    }
    return line;
}

ScheduleStore::ScheduleStore(ScheduleView& view, std::filesystem::path directory)
    : view_(view), directory_(std::move(directory)), ownFiles_(std::make_unique<ScheduleFiles>()),
      files_(*ownFiles_) {}

ScheduleStore::ScheduleStore(ScheduleView& view, std::filesystem::path directory,
                             ScheduleFiles& files)
    : view_(view), directory_(std::move(directory)), files_(files) {}

void ScheduleStore::StartUp() {
    ErrorList errors;
    CreateLists();
    errors.Run([this] { LoadSettings(); });
    ClearGrids();
    errors.Run([this] { LoadSchedule(); });
    errors.ThrowIfAny();
}

void ScheduleStore::CreateLists() {
    for (auto& list : days_) {
        list.clear();
    }
    settings_.clear();
    known_.fill(KnownFile{});
    hasLists_ = true;
}

const char* ScheduleStore::NameOf(int file) const {
    return file == kSettingsFile ? kSettingsFileName : kDayFileNames.at(Index(file));
}

std::string ScheduleStore::CannotCreate(int file) const {
    return std::string("Cannot create file ") + NameOf(file);
}

ScheduleStore::FileText ScheduleStore::ReadFile(int file) {
    FileText text;
    const std::string name = NameOf(file);
    const bool settings = file == kSettingsFile;
    text.readAt = files_.Now();
    try {
        std::string bytes;
        const ScheduleFiles::Read read = files_.ReadWhole(PathOf(file), bytes, kMaxFileBytes);
        text.state = read.result;
        text.stamp = read.stamp;
        if (read.result == ReadResult::TooLarge) {
            text.message = TooLargeText(name, settings, read.stamp.size, 0);
        } else if (read.result == ReadResult::Failed) {
            text.message = CannotOpen(name.c_str(), read.error);
        } else if (read.result == ReadResult::Ok) {
            const std::size_t lines = CountLines(bytes);
            if (lines > kMaxFileLines) {
                text.state = ReadResult::TooLarge;
                text.message = TooLargeText(name, settings, 0, lines);
                return text;
            }
            text.hash = std::hash<std::string_view>{}(bytes);
            text.lines = SplitCounted(TextBeforeNul(bytes), lines);
        }
    } catch (const std::bad_alloc&) {
        // The file is held like any unreadable one.
        HoldFailed(text, CannotOpen(name.c_str(), ENOMEM));
    } catch (const std::exception& error) {
        HoldFailed(text, CannotOpen(name.c_str()) + ": " + error.what());
    }
    return text;
}

void ScheduleStore::LoadSettings() {
    std::string error;
    settings_.clear();
    FileText text = ReadFile(kSettingsFile);
    Remember(kSettingsFile, text);
    switch (text.state) {
    case ReadResult::Ok:
        settings_ = std::move(text.lines);
        break;
    case ReadResult::Missing:
        settings_ = {kScriptDelayCaption, "0"};
        if (files_.ReplaceWhole(PathOf(kSettingsFile), JoinLines(settings_))) {
            RememberWritten(kSettingsFile, JoinLines(settings_));
        } else {
            // The default was never stored: the delay stays empty (100 ms)
            // rather than making scripts type with no pause.
            settings_[1].clear();
            error = CannotCreate(kSettingsFile);
        }
        break;
    case ReadResult::Failed:
    case ReadResult::TooLarge:
        // Held, so that its delay and any further lines are not lost.
        error = text.message;
        break;
    }
    // A file of fewer than two lines has no value line: it counts as the
    // caption and an empty value (100 ms), and the next save writes both.
    if (settings_.size() < 2) {
        settings_ = {kScriptDelayCaption, ""};
    }
    scriptDelay_ = settings_[1].substr(0, kMaxTextLength);
    view_.SetSpinText(scriptDelay_);
    shownSpin_ = scriptDelay_;
    if (!error.empty()) {
        throw Error(error);
    }
}

void ScheduleStore::Remember(int file, const FileText& text) {
    KnownFile& known = known_.at(Index(file));
    known.state = text.state;
    known.stamp = text.stamp;
    known.readAt = text.readAt;
    known.hash = text.state == ReadResult::Ok ? text.hash : 0;
    known.held = text.message;
    known.pending.reset();
}

void ScheduleStore::RememberWritten(int file, const std::string& bytes) {
    KnownFile& known = known_.at(Index(file));
    known.state = ReadResult::Ok;
    // A stamp that cannot be had is no stamp: the next check reads the file
    // and finds the same bytes.
    if (!files_.GetStamp(PathOf(file), known.stamp)) {
        known.stamp = Stamp{};
    }
    known.readAt = files_.Now();
    known.hash = std::hash<std::string_view>{}(bytes);
    known.held.clear();
    known.pending.reset();
    known.conflict = false;
}

void ScheduleStore::ShowCell(int day, int column, int row, const std::string& text) {
    view_.SetCell(day, column, row, text);
    shown_.at(Index(day)).at(Index(row) - 1).at(Index(column)) = text;
}

void ScheduleStore::ClearTaskRows(int day) {
    for (int row = 1; row <= kTaskRows; ++row) {
        for (int column = 0; column < kGridColumns; ++column) {
            ShowCell(day, column, row, std::string());
        }
    }
}

// Copies the first 24 lines of a day list into its task rows.
void ScheduleStore::FillTaskRows(int day) {
    const auto& list = days_.at(Index(day));
    for (std::size_t i = 0; i < list.size() && i < static_cast<std::size_t>(kTaskRows); ++i) {
        const std::string_view line =
            std::string_view(list[i]).substr(0, std::min(list[i].size(), kMaxTextLength));
        for (int column = 0; column < kGridColumns; ++column) {
            ShowCell(day, column, static_cast<int>(i) + 1,
                     ExtractField(line, kFieldSeparator, column));
        }
    }
}

void ScheduleStore::ClearGrids() {
    for (int day = 0; day < kDayCount; ++day) {
        ClearTaskRows(day);
    }
}

void ScheduleStore::LoadDay(int day, ErrorList& errors) {
    const bool wasHeld = IsDayHeld(day);
    FileText text = ReadFile(day);
    Remember(day, text);
    switch (text.state) {
    case ReadResult::Ok:
        days_.at(Index(day)) = std::move(text.lines);
        break;
    case ReadResult::Missing:
        return; // the list stays empty and the task rows keep what they hold
    case ReadResult::Failed:
    case ReadResult::TooLarge:
        errors.Add(text.message);
        return;
    }
    if (wasHeld) {
        // A held day's rows were not blanked by the save; the file that
        // can be read again is what they show now.
        ClearTaskRows(day);
    }
    FillTaskRows(day);
}

void ScheduleStore::LoadSchedule() {
    for (auto& list : days_) {
        list.clear();
    }
    ErrorList errors;
    for (int day = 0; day < kDayCount; ++day) {
        LoadDay(day, errors);
    }
    errors.ThrowIfAny();
}

void ScheduleStore::Release() {
    for (auto& list : days_) {
        std::vector<std::string>().swap(list);
    }
    std::vector<std::string>().swap(settings_);
    known_.fill(KnownFile{});
    hasLists_ = false;
}

const std::vector<std::string>& ScheduleStore::DayList(int day) const {
    return days_.at(Index(day));
}

} // namespace orvanel
