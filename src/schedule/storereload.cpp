// The store taking in files that another program changed on disk while this
// one runs (see ScheduleStore::ReloadChangedFiles).
#include <string>
#include <utility>

#include "schedule/store.h"

namespace orvanel {

namespace {

using fileio::FileType;

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
        CheckFile(file, changes);
    }
    return changes;
}

void ScheduleStore::CheckFile(int file, DiskChanges& changes) {
    KnownFile& known = known_.at(Index(file));
    const std::string name = NameOf(file);
    Stamp now;
    if (!files_.GetStamp(PathOf(file), now)) {
        return; // the file system would not tell: looked at again next time
    }
    const bool sameStamp = SameStamp(known, now);
    // A file last read (or written) within a second of its last change may
    // have changed again in that second without its stamp showing it: it is
    // read once more, and only its bytes tell.
    const bool racy = known.readAt - known.stamp.modified < kSettleNanoseconds;
    if (sameStamp && (!racy || known.state != ReadResult::Ok)) {
        known.pending.reset();
        return;
    }
    const bool seen = known.pending && known.pending->stamp == now;
    if (!sameStamp && now.type == FileType::Regular && !Settled(known, now)) {
        if (!seen) {
            changes.waiting.push_back(name);
        }
        return;
    }
    FileText text = ReadFile(file);
    if (text.state == ReadResult::Failed || text.state == ReadResult::TooLarge) {
        // What is in memory stays; the file is not written until it can be
        // read. Reported once, when the hold begins.
        if (known.held.empty()) {
            changes.unreadable.push_back(text.message);
        }
        known.held = text.message;
        known.stamp = text.stamp;
        known.pending.reset();
        return;
    }
    const bool sameBytes = known.held.empty() && text.state == known.state &&
                           (text.state == ReadResult::Missing || text.hash == known.hash);
    Remember(file, text);
    if (sameBytes) {
        return; // touched, or rewritten with the same bytes
    }
    changes.changed.push_back(name);
    if (file == kSettingsFile) {
        ReloadSettings(text, changes);
    } else {
        ReloadDay(file, text, changes);
    }
}

// Whether the file is as the store last had it, by its stamp alone. A held
// file is tried again unless it is the very file that failed, unchanged (a
// file that could not even be opened has no stamp and is tried every time).
bool ScheduleStore::SameStamp(const KnownFile& known, const Stamp& now) const {
    if (!known.held.empty()) {
        return known.stamp.type == FileType::Regular && now == known.stamp;
    }
    if (now.type != FileType::Regular) {
        return known.state == ReadResult::Missing; // nothing there, then and now
    }
    return known.state != ReadResult::Missing && now == known.stamp;
}

// Whether a changed file may be taken now: it was last written at least
// kSettleNanoseconds ago, or a check that long ago saw it just as it is (so
// that a clock that differs from the file system's does not hold it back).
bool ScheduleStore::Settled(KnownFile& known, const Stamp& now) {
    const std::int64_t clock = files_.Now();
    if (clock - now.modified >= kSettleNanoseconds) {
        return true;
    }
    if (known.pending && known.pending->stamp == now) {
        return clock - known.pending->seen >= kSettleNanoseconds;
    }
    known.pending = Sighting{now, clock};
    return false;
}

void ScheduleStore::ReloadDay(int day, FileText& text, DiskChanges& changes) {
    const char* name = kDayFileNames.at(Index(day));
    KnownFile& known = known_.at(Index(day));
    auto& list = days_.at(Index(day));
    if (text.state == ReadResult::Missing) {
        // What runs follows the files, as after a restart; the rows stay, so
        // that the day's tasks are not lost if the removal was a mistake.
        list.clear();
        known.conflict = false;
        changes.removed.emplace_back(name);
        return;
    }
    list = std::move(text.lines);
    known.conflict = HasUnsavedRows(day);
    if (known.conflict) {
        changes.kept.emplace_back(name);
        return;
    }
    ShowFile(day);
}

void ScheduleStore::ReloadSettings(FileText& text, DiskChanges& changes) {
    KnownFile& known = known_.at(Index(kSettingsFile));
    if (text.state == ReadResult::Missing) {
        // Kept in memory; the next save writes the file again.
        known.conflict = false;
        changes.removed.emplace_back(kSettingsFileName);
        return;
    }
    settings_ = std::move(text.lines);
    if (settings_.size() < 2) {
        settings_ = {kScriptDelayCaption, ""};
    }
    // scriptDelay_ stays as start-up fixed it; the spin box shows what the
    // next save would write.
    known.conflict = HasUnsavedSpin();
    if (known.conflict) {
        changes.kept.emplace_back(kSettingsFileName);
        return;
    }
    ShowFile(kSettingsFile);
}

void ScheduleStore::ShowFile(int file) {
    if (file == kSettingsFile) {
        shownSpin_ = settings_.at(1).substr(0, kMaxTextLength);
        view_.SetSpinText(shownSpin_);
        return;
    }
    ClearTaskRows(file);
    FillTaskRows(file);
}

bool ScheduleStore::HasUnsavedEdits(int file) const {
    return file == kSettingsFile ? HasUnsavedSpin() : HasUnsavedRows(file);
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
