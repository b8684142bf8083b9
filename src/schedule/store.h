// The schedule store: the seven day lists, the settings list and the script
// delay, kept in eight small text files in one directory (the working
// directory of the program), and copied to and from the seven day grids.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "schedule/error.h"
#include "schedule/files.h"
#include "schedule/taskline.h"

namespace orvanel {

constexpr int kDayCount = 7;                  // Monday (0) to Sunday (6)
constexpr int kGridRows = 25;                 // row 0 is the header row
constexpr int kGridColumns = kTaskFieldCount; // column c holds field c of a task line
constexpr int kTaskRows = 24;                 // rows 1 to 24

// The day files, Monday first.
extern const std::array<const char*, kDayCount> kDayFileNames;
constexpr const char* kSettingsFileName = "schedule.ini";
constexpr const char* kScriptDelayCaption = "Script Delay (mSecs):";

// The day grids and the script delay spin box, as the store sees them. Texts
// are 8-bit (code page 1252) bytes as they stand in the files.
class ScheduleView {
public:
    virtual ~ScheduleView() = default;
    virtual std::string Cell(int day, int column, int row) const = 0;
    virtual void SetCell(int day, int column, int row, const std::string& cp1252Text) = 0;
    virtual std::string SpinText() const = 0;
    virtual void SetSpinText(const std::string& cp1252Text) = 0;
    // Whether a cell of the day's grid is open for editing with text that
    // Cell does not show yet; the store counts it as an unsaved edit.
    virtual bool Editing(int day) const {
        (void)day;
        return false;
    }
};

// A plain in-memory view: seven 25 x 5 grids and a spin box text. A cell
// outside the grids throws std::out_of_range.
class MemoryScheduleView : public ScheduleView {
public:
    std::string Cell(int day, int column, int row) const override;
    void SetCell(int day, int column, int row, const std::string& text) override;
    std::string SpinText() const override { return spin_; }
    void SetSpinText(const std::string& text) override { spin_ = text; }

private:
    std::array<std::array<std::array<std::string, kGridColumns>, kGridRows>, kDayCount> cells_{};
    std::string spin_;
};

// Splits a file's text into lines: CR LF, a lone CR and a lone LF each end a
// line, a final line end is optional and adds no empty line, empty lines in
// the middle are kept, and a NUL byte ends the text.
std::vector<std::string> SplitLines(std::string_view text);
// The number of lines that SplitLines makes of `text`.
std::size_t CountLines(std::string_view text);

// Joins lines into a file's text, every line ending in CR LF.
std::string JoinLines(const std::vector<std::string>& lines);

// The task line of task row `row` (1 to 24) of day `day`, as "Save Data"
// writes it and "Run now" runs it: the five cells joined by "|" in column
// order, each as one line (see celltext.h), cut to 255 characters.
std::string RowLine(const ScheduleView& view, int day, int row);

// The largest file that the store reads, and the most lines: enough for
// 100,000 lines of 255 characters a day, and a bound on the memory that the
// files can take (about 80 MiB for a day file at both limits).
constexpr std::uint64_t kMaxFileBytes = std::uint64_t{64} << 20;
constexpr std::size_t kMaxFileLines = 250'000;
// A file whose size or time changed less than this long ago may still be
// being written: it is taken at a later check.
constexpr std::int64_t kSettleNanoseconds = 1'000'000'000;

// What ReloadChangedFiles (or the check that begins a save) found: the bare
// names of the files that changed on disk, Monday's day file first and
// "schedule.ini" last.
struct DiskChanges {
    std::vector<std::string> changed;    // every file taken in, including those below
    std::vector<std::string> kept;       // changed, but the unsaved edits of its grid or spin box
                                         // stay on screen; "Save Data" asks before it overwrites it
    std::vector<std::string> removed;    // removed from disk; its day's task rows stay on screen
    std::vector<std::string> unreadable; // changed, but cannot be read: the message; the file is
                                         // held (not written) until it can be
    std::vector<std::string> waiting;    // changed so recently that it may still be being written:
                                         // taken at a later check, and not written meanwhile
    std::vector<std::string> notSaved;   // a save left it as it is, as the user answered

    bool Any() const {
        return !changed.empty() || !unreadable.empty() || !waiting.empty() || !notSaved.empty();
    }
};

// Asked by a save before it writes over `name` (a bare file name), which
// changed on disk while its page (or the spin box) held unsaved edits; true
// writes over it.
using OverwriteQuestion = std::function<bool(const std::string& name)>;

// Errors are orvanel::Error with the messages "Cannot open file <name>" and
// "Cannot create file <name>", <name> being the bare file name; a file that
// could not be read adds the cause ("Cannot open file monlist.ini:
// Permission denied"), and one too large for the store says so
// ("tuelist.ini is 100 GiB; Orvanel reads day files of up to 64 MiB"). A
// load, and the end of a save, report every file that could not be read in
// one Error (see error.h); a file that cannot be created stops a save at once.
//
// A file that exists but cannot be read, for whatever reason (no permission,
// locked, too large, out of memory), is "held" until a later load (or
// ReloadChangedFiles) reads it: a day's list stays as it was (empty after a
// failed start-up), a save neither rewrites the file nor blanks that day's
// task rows (what the user typed there stays visible), and every save that
// leaves it unwritten ends with its message after writing the other files.
// The read-back at the end of the save tries the file again; once it can be
// read, the hold ends and the day is loaded from it like any other (its task
// rows show the file). So a file that could not be read is never replaced by
// the blank grid that its failed load left. A settings file that exists but
// cannot be read is held in the same way until ReloadChangedFiles reads it;
// the script delay is then empty (100 ms) for the whole run.
class ScheduleStore {
public:
    // `directory` holds the files; the program passes its working directory.
    // Error messages name the bare file name only.
    explicit ScheduleStore(ScheduleView& view, std::filesystem::path directory = ".");
    // The same, with the store's file access given (tests pass one that fails
    // on demand). `files` must outlive the store.
    ScheduleStore(ScheduleView& view, std::filesystem::path directory, ScheduleFiles& files);

    // The data steps of start-up in their order: CreateLists, LoadSettings,
    // ClearGrids, LoadSchedule. An error of one step does not skip the later
    // ones (so the grids always show what the day files hold); at the end one
    // Error lists every failure, in order.
    void StartUp();

    // Start-up, in this order (the window sets its own captions in between):
    void CreateLists();  // the seven day lists, then the settings list, all empty
    void LoadSettings(); // reads or creates the settings file, fixes the script delay, fills the
                         // spin box; a file of fewer than two lines counts as the caption and
                         // an empty value, and a file that cannot be created leaves the delay
                         // empty (100 ms)
    void ClearGrids();   // empties task rows 1 to 24 of all seven grids
    void LoadSchedule(); // reads the day files into the lists and the grids

    // "Save Data". First the changed-files check of ReloadChangedFiles; then
    // every file is written from the grids and the spin box, except:
    // - a held file (its message ends the save, see above);
    // - a file that changed on disk (taken in by the check, or too recently
    //   changed to be taken yet) while its page has no unsaved edits: what
    //   is on disk stays, and the page shows it once it is taken;
    // - a file that changed on disk while its page has unsaved edits, unless
    //   `mayOverwrite` says yes (no question: it is not written). Its edits
    //   stay on screen, and the next save asks again.
    // A day's list is rebuilt from its task rows as its file is written;
    // then the rows of the written days are cleared and those files (and the
    // held ones) read back. `changes`, when given, gets what the check and
    // the answers did, also when the save then ends in an Error.
    void Save(const OverwriteQuestion& mayOverwrite = {}, DiskChanges* changes = nullptr);

    // Frees the lists; nothing is saved.
    void Release();

    // Another program may rewrite the files while this one runs. The store
    // remembers the stamp of each of its eight files (size, times, identity)
    // and a hash of its bytes, as of its own last read or write of it; this
    // compares the stamps and reads only a file whose stamp differs (or one
    // that was read or written within a second of its last change, whose
    // stamp may not show a change made in that second), then takes in each
    // one whose bytes differ:
    // - a day file's new content becomes its day list (and ends its hold);
    //   the day's task rows show it too, unless they hold unsaved edits,
    //   which then stay on screen (and a save asks before overwriting it);
    // - a day file that was removed empties its day list, as a missing file
    //   does at start-up, but its task rows keep what they show, so that
    //   "Save Data" can write them again: nothing typed is lost;
    // - a new "schedule.ini" becomes the settings list, and the spin box
    //   shows its value unless the spin box holds an unsaved edit; the script
    //   delay in use stays the one fixed at start-up. A removed one leaves
    //   the settings list as it is (the next save writes it again).
    // A file changed less than kSettleNanoseconds ago is not taken yet (it
    // may still be being written), but at a later check. A changed file that
    // cannot be read is held: what is in memory stays, nothing is blanked,
    // and saves leave the file alone until it can be read. Our own writes are
    // remembered as we make them, so a save is no change.
    DiskChanges ReloadChangedFiles();

    // Whether task rows 1 to 24 of a day's grid differ from what the store
    // last put there (a load, or the clearing of a save).
    bool HasUnsavedRows(int day) const;
    // Whether the spin box differs from what the store last put there or saved.
    bool HasUnsavedSpin() const { return view_.SpinText() != shownSpin_; }

    bool HasLists() const { return hasLists_; }
    // Day lists: 0 Monday ... 6 Sunday.
    const std::vector<std::string>& DayList(int day) const;
    const std::vector<std::string>& SettingsList() const { return settings_; }
    // The script delay text, fixed at start-up.
    const std::string& ScriptDelay() const { return scriptDelay_; }
    // Whether the day's file is held because it could not be read (see above).
    bool IsDayHeld(int day) const { return !known_.at(static_cast<std::size_t>(day)).held.empty(); }

private:
    using ReadResult = ScheduleFiles::ReadResult;
    using Stamp = ScheduleFiles::Stamp;

    // One of the eight files as the store read it.
    struct FileText {
        ReadResult state = ReadResult::Missing;
        Stamp stamp;
        std::int64_t readAt = 0;        // files_.Now() as the read began
        std::size_t hash = 0;           // Ok: of the bytes
        std::vector<std::string> lines; // Ok: the bytes split into lines
        std::string message;            // Failed, TooLarge: what to report
    };
    // A change on disk, seen at a check but not taken yet.
    struct Sighting {
        Stamp stamp;
        std::int64_t seen = 0; // files_.Now() of that check
    };
    // What the store knows of one of its files.
    struct KnownFile {
        ReadResult state = ReadResult::Missing; // as of the store's last read or write of it
        Stamp stamp;                            // the file as then read or written
        std::int64_t readAt = 0;                // files_.Now() of that read or write
        std::size_t hash = 0;                   // of its bytes, when state is Ok
        std::string held;                       // why it is held; empty: not held
        std::optional<Sighting> pending;        // a change not taken yet
        bool conflict = false;                  // changed on disk while its page held unsaved edits
    };
    static constexpr int kSettingsFile = kDayCount; // known_[7]; days are 0 to 6

    const char* NameOf(int file) const;
    std::filesystem::path PathOf(int file) const { return directory_ / NameOf(file); }
    std::string CannotCreate(int file) const;
    // Reads one file within the limits; never throws.
    FileText ReadFile(int file);
    // Makes `text` a failed read with that message (the stamp is kept).
    static void HoldFailed(FileText& text, std::string message);
    void Remember(int file, const FileText& text);
    // Remembers what the store has just written to a file.
    void RememberWritten(int file, const std::string& bytes);
    // Sets a task row cell and remembers what was put there.
    void ShowCell(int day, int column, int row, const std::string& text);
    void ClearTaskRows(int day);
    void FillTaskRows(int day);
    // Reads one day's file into its list and rows; a failure holds the file.
    void LoadDay(int day, ErrorList& errors);

    // The check of one file (storereload.cpp).
    void CheckFile(int file, DiskChanges& changes);
    bool SameStamp(const KnownFile& known, const Stamp& now) const;
    bool Settled(KnownFile& known, const Stamp& now);
    void ReloadDay(int day, FileText& text, DiskChanges& changes);
    void ReloadSettings(FileText& text, DiskChanges& changes);
    bool HasUnsavedEdits(int file) const;
    // Shows a day list in its task rows, or the settings' value in the spin box.
    void ShowFile(int file);

    // The steps of a save (storesave.cpp).
    std::array<bool, kDayCount + 1> FilesToWrite(const OverwriteQuestion& mayOverwrite,
                                                 DiskChanges& changes);
    void WriteSettings();
    void WriteDay(int day);

    ScheduleView& view_;
    std::filesystem::path directory_;
    std::unique_ptr<ScheduleFiles> ownFiles_;
    ScheduleFiles& files_;
    bool hasLists_ = false;
    std::array<std::vector<std::string>, kDayCount> days_{};
    std::vector<std::string> settings_;
    std::string scriptDelay_;
    // The day files, then the settings file.
    std::array<KnownFile, kDayCount + 1> known_{};
    // What the store last put into the task rows and the spin box.
    std::array<std::array<std::array<std::string, kGridColumns>, kTaskRows>, kDayCount> shown_{};
    std::string shownSpin_;
};

} // namespace orvanel
