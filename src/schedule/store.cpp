#include "schedule/store.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "schedule/error.h"
#include "schedule/taskline.h"

namespace orvanel {

const std::array<const char*, kDayCount> kDayFileNames = {
    "monlist.ini", "tuelist.ini", "wedlist.ini", "thulist.ini",
    "frilist.ini", "satlist.ini", "sunlist.ini",
};

namespace {

std::string CannotOpen(const char* name) {
    return std::string("Cannot open file ") + name;
}
std::string CannotCreate(const char* name) {
    return std::string("Cannot create file ") + name;
}

std::size_t Index(int i) {
    return static_cast<std::size_t>(i);
}

} // namespace

std::string MemoryScheduleView::Cell(int day, int column, int row) const {
    return cells_.at(Index(day)).at(Index(row)).at(Index(column));
}

void MemoryScheduleView::SetCell(int day, int column, int row, const std::string& text) {
    cells_.at(Index(day)).at(Index(row)).at(Index(column)) = text;
}

std::vector<std::string> SplitLines(std::string_view text) {
    const void* nul = std::memchr(text.data(), '\0', text.size());
    if (nul != nullptr) {
        text =
            text.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
    }
    // Count the lines first so that the list is allocated once.
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
            ++count;
        }
    }
    if (!text.empty() && text.back() != '\n' && text.back() != '\r') {
        ++count; // a last line without a line end
    }
    std::vector<std::string> lines;
    lines.reserve(count);
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
    unreadable_.fill(false);
    settingsHeld_ = false;
    known_.fill(KnownFile{});
    hasLists_ = true;
}

void ScheduleStore::LoadSettings() {
    std::string error;
    std::string content;
    settings_.clear();
    settingsHeld_ = false;
    const ScheduleFiles::ReadResult read = files_.ReadWhole(PathOf(kSettingsFileName), content);
    Remember(kSettingsFile, read, content);
    switch (read) {
    case ScheduleFiles::ReadResult::Ok:
        settings_ = SplitLines(content);
        break;
    case ScheduleFiles::ReadResult::Missing:
        settings_ = {kScriptDelayCaption, "0"};
        if (files_.ReplaceWhole(PathOf(kSettingsFileName), JoinLines(settings_))) {
            Remember(kSettingsFile, ScheduleFiles::ReadResult::Ok, JoinLines(settings_));
        } else {
            // The default was never stored: the delay stays empty (100 ms)
            // rather than making scripts type with no pause.
            settings_[1].clear();
            error = CannotCreate(kSettingsFileName);
        }
        break;
    case ScheduleFiles::ReadResult::Failed:
        // Not rewritten for the rest of the run, so that its delay and any
        // further lines are not lost.
        settingsHeld_ = true;
        error = CannotOpen(kSettingsFileName);
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

void ScheduleStore::Remember(int file, ScheduleFiles::ReadResult state, std::string bytes) {
    KnownFile& known = known_.at(Index(file));
    known.state = state;
    known.bytes = state == ScheduleFiles::ReadResult::Ok ? std::move(bytes) : std::string();
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

void ScheduleStore::LoadDays(ErrorList& errors) {
    for (auto& list : days_) {
        list.clear();
    }
    std::string content;
    for (int day = 0; day < kDayCount; ++day) {
        const char* name = kDayFileNames[Index(day)];
        auto& list = days_[Index(day)];
        const bool wasHeld = unreadable_[Index(day)];
        const ScheduleFiles::ReadResult read = files_.ReadWhole(PathOf(name), content);
        Remember(day, read, content);
        switch (read) {
        case ScheduleFiles::ReadResult::Ok:
            list = SplitLines(content);
            unreadable_[Index(day)] = false;
            break;
        case ScheduleFiles::ReadResult::Missing:
            // The list stays empty and the task rows keep what they hold.
            unreadable_[Index(day)] = false;
            continue;
        case ScheduleFiles::ReadResult::Failed:
            unreadable_[Index(day)] = true;
            errors.Add(CannotOpen(name));
            continue;
        }
        if (wasHeld) {
            // A held day's rows were not blanked by the save; the file that
            // can be read again is what they show now.
            ClearTaskRows(day);
        }
        FillTaskRows(day);
    }
    std::string().swap(content);
}

void ScheduleStore::LoadSchedule() {
    ErrorList errors;
    LoadDays(errors);
    errors.ThrowIfAny();
}

void ScheduleStore::Save() {
    for (auto& list : days_) {
        list.clear();
    }
    // The files that this save leaves unwritten because they could not be
    // read; reported after everything else has been written and read back.
    ErrorList errors;

    if (settingsHeld_) {
        errors.Add(CannotOpen(kSettingsFileName));
    } else {
        settings_[1] = view_.SpinText();
        std::string text = JoinLines(settings_);
        if (!files_.ReplaceWhole(PathOf(kSettingsFileName), text)) {
            throw Error(CannotCreate(kSettingsFileName));
        }
        Remember(kSettingsFile, ScheduleFiles::ReadResult::Ok, std::move(text));
        shownSpin_ = settings_[1];
    }

    for (int day = 0; day < kDayCount; ++day) {
        const char* name = kDayFileNames[Index(day)];
        if (unreadable_[Index(day)]) {
            errors.Add(CannotOpen(name));
            continue;
        }
        auto& list = days_[Index(day)];
        for (int row = 1; row <= kTaskRows; ++row) {
            std::string line = view_.Cell(day, kExeNameField, row);
            if (line.empty()) {
                continue; // no EXE name: the row is not saved
            }
            for (int column = kExeNameField + 1; column < kGridColumns; ++column) {
                line += kFieldSeparator;
                line += view_.Cell(day, column, row);
            }
            if (line.size() > kMaxTextLength) {
                line.resize(kMaxTextLength);
            }
            list.push_back(std::move(line));
        }
        std::string text = JoinLines(list);
        if (!files_.ReplaceWhole(PathOf(name), text)) {
            throw Error(CannotCreate(name));
        }
        Remember(day, ScheduleFiles::ReadResult::Ok, std::move(text));
    }

    for (int day = 0; day < kDayCount; ++day) {
        if (!unreadable_[Index(day)]) {
            ClearTaskRows(day);
        }
    }
    LoadDays(errors);
    errors.ThrowIfAny();
}

void ScheduleStore::Release() {
    for (auto& list : days_) {
        std::vector<std::string>().swap(list);
    }
    std::vector<std::string>().swap(settings_);
    unreadable_.fill(false);
    settingsHeld_ = false;
    known_.fill(KnownFile{});
    hasLists_ = false;
}

const std::vector<std::string>& ScheduleStore::DayList(int day) const {
    return days_.at(Index(day));
}

} // namespace orvanel
