// "Save Data": the grids and the spin box written to the files, apart from
// what must not be written over (see ScheduleStore::Save).
#include <algorithm>
#include <string>

#include "schedule/store.h"

namespace orvanel {

namespace {

std::size_t Index(int i) {
    return static_cast<std::size_t>(i);
}

void AddOnce(std::vector<std::string>& names, const std::string& name) {
    if (std::find(names.begin(), names.end(), name) == names.end()) {
        names.push_back(name);
    }
}

} // namespace

void ScheduleStore::Save(const OverwriteQuestion& mayOverwrite, DiskChanges* changes) {
    DiskChanges found;
    DiskChanges& report = changes != nullptr ? *changes : found;
    report = ReloadChangedFiles();
    const std::array<bool, kDayCount + 1> write = FilesToWrite(mayOverwrite, report);

    // The lists of the days to be written are rebuilt from their rows; should
    // a file fail, the lists of the days after it stay empty until the next
    // save, as the grids still hold them.
    for (int day = 0; day < kDayCount; ++day) {
        if (write.at(Index(day))) {
            days_.at(Index(day)).clear();
        }
    }
    // The held files that this save leaves unwritten, and those that cannot
    // be read back; reported after everything else has been written.
    ErrorList errors;
    const auto writeOrReport = [&](int file) {
        if (write.at(Index(file))) {
            file == kSettingsFile ? WriteSettings() : WriteDay(file);
        } else if (!known_.at(Index(file)).held.empty()) {
            errors.Add(known_.at(Index(file)).held);
        }
    };
    writeOrReport(kSettingsFile);
    for (int day = 0; day < kDayCount; ++day) {
        writeOrReport(day);
    }
    for (int day = 0; day < kDayCount; ++day) {
        if (write.at(Index(day))) {
            ClearTaskRows(day);
        }
    }
    // The read-back: what was written, and what is held (it may be readable
    // again by now).
    for (int day = 0; day < kDayCount; ++day) {
        if (write.at(Index(day))) {
            days_.at(Index(day)).clear();
        }
        if (write.at(Index(day)) || IsDayHeld(day)) {
            LoadDay(day, errors);
        }
    }
    errors.ThrowIfAny();
}

std::array<bool, kDayCount + 1> ScheduleStore::FilesToWrite(const OverwriteQuestion& mayOverwrite,
                                                            DiskChanges& changes) {
    std::array<bool, kDayCount + 1> write{};
    for (int file = 0; file <= kSettingsFile; ++file) {
        KnownFile& known = known_.at(Index(file));
        const std::string name = NameOf(file);
        if (!known.held.empty()) {
            continue;
        }
        if (!known.conflict && !known.pending) {
            write.at(Index(file)) = true; // written even when unchanged
            continue;
        }
        // Changed on disk since the store last read it.
        if (!HasUnsavedEdits(file)) {
            if (known.conflict) {
                ShowFile(file); // the edits were taken back: the page shows the file
                known.conflict = false;
            } else {
                AddOnce(changes.waiting, name); // taken once it is finished
            }
            continue;
        }
        if (mayOverwrite && mayOverwrite(name)) {
            write.at(Index(file)) = true;
        } else {
            AddOnce(changes.notSaved, name);
        }
    }
    return write;
}

void ScheduleStore::WriteSettings() {
    if (settings_.size() < 2) {
        settings_ = {kScriptDelayCaption, ""};
    }
    settings_[1] = view_.SpinText();
    const std::string text = JoinLines(settings_);
    if (!files_.ReplaceWhole(PathOf(kSettingsFile), text)) {
        throw Error(CannotCreate(kSettingsFile));
    }
    RememberWritten(kSettingsFile, text);
    shownSpin_ = settings_[1];
}

void ScheduleStore::WriteDay(int day) {
    auto& list = days_.at(Index(day));
    list.clear();
    for (int row = 1; row <= kTaskRows; ++row) {
        if (!view_.Cell(day, kExeNameField, row).empty()) { // no EXE name: not saved
            list.push_back(RowLine(view_, day, row));
        }
    }
    const std::string text = JoinLines(list);
    if (!files_.ReplaceWhole(PathOf(day), text)) {
        throw Error(CannotCreate(day));
    }
    RememberWritten(day, text);
}

} // namespace orvanel
