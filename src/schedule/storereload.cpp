// The store taking in files that another program changed on disk while this
// one runs (see ScheduleStore::ReloadChangedFiles).
#include <string>
#include <utility>

#include "schedule/store.h"

namespace orvanel {

namespace {

using ReadResult = ScheduleFiles::ReadResult;

std::size_t Index(int i) {
    return static_cast<std::size_t>(i);
}

} // namespace

DiskChanges ScheduleStore::ReloadChangedFiles() {
    DiskChanges changes;
    if (!hasLists_) {
        return changes;
    }
    for (int file = 0; file <= kSettingsFile; ++file) {
        const char* name = file == kSettingsFile ? kSettingsFileName : kDayFileNames[Index(file)];
        KnownFile now;
        now.state = files_.ReadWhole(PathOf(name), now.bytes);
        // Unreadable now (locked, half-copied by a tool that holds it): that
        // tells nothing, and what is in memory stays until it can be read.
        if (now.state == ReadResult::Failed || now == known_[Index(file)]) {
            continue;
        }
        changes.changed.emplace_back(name);
        if (file == kSettingsFile) {
            ReloadSettings(now, changes);
        } else {
            ReloadDay(file, now, changes);
        }
        known_[Index(file)] = std::move(now);
    }
    return changes;
}

void ScheduleStore::ReloadDay(int day, const KnownFile& now, DiskChanges& changes) {
    const char* name = kDayFileNames[Index(day)];
    auto& list = days_[Index(day)];
    unreadable_[Index(day)] = false;
    if (now.state == ReadResult::Missing) {
        // What runs follows the files, as after a restart; the rows stay, so
        // that the day's tasks are not lost if the removal was a mistake.
        list.clear();
        changes.removed.emplace_back(name);
        return;
    }
    list = SplitLines(now.bytes);
    if (HasUnsavedRows(day)) {
        changes.kept.emplace_back(name);
        return;
    }
    ClearTaskRows(day);
    FillTaskRows(day);
}

void ScheduleStore::ReloadSettings(const KnownFile& now, DiskChanges& changes) {
    if (now.state == ReadResult::Missing) {
        // Kept in memory; the next save writes the file again.
        settingsHeld_ = false;
        changes.removed.emplace_back(kSettingsFileName);
        return;
    }
    settings_ = SplitLines(now.bytes);
    if (settings_.size() < 2) {
        settings_ = {kScriptDelayCaption, ""};
    }
    settingsHeld_ = false;
    // scriptDelay_ stays as start-up fixed it; the spin box shows what the
    // next save would write.
    if (HasUnsavedSpin()) {
        changes.kept.emplace_back(kSettingsFileName);
        return;
    }
    shownSpin_ = settings_[1].substr(0, kMaxTextLength);
    view_.SetSpinText(shownSpin_);
}

bool ScheduleStore::HasUnsavedRows(int day) const {
    if (view_.Editing(day)) {
        return true;
    }
    const auto& shown = shown_.at(Index(day));
    for (int row = 1; row <= kTaskRows; ++row) {
        for (int column = 0; column < kGridColumns; ++column) {
            if (view_.Cell(day, column, row) != shown[Index(row) - 1][Index(column)]) {
                return true;
            }
        }
    }
    return false;
}

} // namespace orvanel
