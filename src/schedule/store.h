// The schedule store: the seven day lists, the settings list and the script
// delay, kept in eight small text files in one directory (the working
// directory of the program), and copied to and from the seven day grids.
#pragma once

#include <array>
#include <filesystem>
#include <memory>
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

// Joins lines into a file's text, every line ending in CR LF.
std::string JoinLines(const std::vector<std::string>& lines);

// What ReloadChangedFiles found: the bare names of the files that changed on
// disk, Monday's day file first and "schedule.ini" last.
struct DiskChanges {
    std::vector<std::string> changed; // every file that changed, including those below
    std::vector<std::string> kept;    // changed, but the unsaved edits of its grid or spin box
                                      // stay on screen; "Save Data" would overwrite it
    std::vector<std::string> removed; // removed from disk; its day's task rows stay on screen

    bool Any() const { return !changed.empty(); }
};

// Errors are orvanel::Error with the messages "Cannot open file <name>" and
// "Cannot create file <name>", <name> being the bare file name. A load, and
// the end of a save, report every file that could not be read in one Error
// (see error.h); a file that cannot be created stops a save at once.
//
// A day file that exists but cannot be read is "held" until a later load
// (or ReloadChangedFiles) reads it: its day list stays empty, a save neither rewrites the file nor
// blanks that day's task rows (what the user typed there stays visible), and
// every save that leaves it unwritten ends with "Cannot open file <name>"
// after writing the other files. The read-back at the end of the save tries
// the file again; once it can be read, the hold ends and the day is loaded
// from it like any other (its task rows show the file). So a file that could
// not be read is never replaced by the blank grid that its failed load left.
// A settings file that exists but cannot be read is held in the same way
// until ReloadChangedFiles reads it: it is not rewritten, and every save ends
// with "Cannot open file schedule.ini"; the script delay is then empty
// (100 ms) for the whole run.
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

    // "Save Data": rebuilds the lists from the grids, writes all eight files,
    // clears the grids and reads the files back.
    void Save();

    // Frees the lists; nothing is saved.
    void Release();

    // Another program may rewrite the files while this one runs. The store
    // remembers what each of its eight files held (or that it was missing or
    // could not be read) as of its own last read or write of it; this reads
    // them again and takes in each one that differs:
    // - a day file's new content becomes its day list (and ends its hold);
    //   the day's task rows show it too, unless they hold unsaved edits,
    //   which then stay on screen;
    // - a day file that was removed empties its day list, as a missing file
    //   does at start-up, but its task rows keep what they show, so that
    //   "Save Data" can write them again: nothing typed is lost;
    // - a new "schedule.ini" becomes the settings list, and the spin box
    //   shows its value unless the spin box holds an unsaved edit; the script
    //   delay in use stays the one fixed at start-up. A removed one leaves
    //   the settings list as it is (the next save writes it again).
    // A file that cannot be read now tells nothing: it is passed over and
    // looked at again next time, and nothing is blanked or reported. Our own
    // writes are remembered as we make them, so a save is no change.
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
    // Whether the day's file could not be read at the last load (see above).
    bool IsDayHeld(int day) const { return unreadable_.at(static_cast<std::size_t>(day)); }

private:
    // What a file held as of the store's last read or write of it.
    struct KnownFile {
        ScheduleFiles::ReadResult state = ScheduleFiles::ReadResult::Missing;
        std::string bytes; // the whole content when state is Ok
        bool operator==(const KnownFile&) const = default;
    };
    static constexpr int kSettingsFile = kDayCount; // known_[7]; days are 0 to 6

    std::filesystem::path PathOf(const char* name) const { return directory_ / name; }
    void Remember(int file, ScheduleFiles::ReadResult state, std::string bytes = {});
    // Sets a task row cell and remembers what was put there.
    void ShowCell(int day, int column, int row, const std::string& text);
    void ClearTaskRows(int day);
    void FillTaskRows(int day);
    void ReloadDay(int day, const KnownFile& now, DiskChanges& changes);
    void ReloadSettings(const KnownFile& now, DiskChanges& changes);
    // Loads every day; keeps a message for each file that could not be read.
    void LoadDays(ErrorList& errors);

    ScheduleView& view_;
    std::filesystem::path directory_;
    std::unique_ptr<ScheduleFiles> ownFiles_;
    ScheduleFiles& files_;
    bool hasLists_ = false;
    std::array<std::vector<std::string>, kDayCount> days_{};
    std::vector<std::string> settings_;
    std::string scriptDelay_;
    // Days whose file exists but could not be read at the last load.
    std::array<bool, kDayCount> unreadable_{};
    // The settings file existed but could not be read at start-up.
    bool settingsHeld_ = false;
    // The day files, then the settings file, as last read or written here.
    std::array<KnownFile, kDayCount + 1> known_{};
    // What the store last put into the task rows and the spin box.
    std::array<std::array<std::array<std::string, kGridColumns>, kTaskRows>, kDayCount> shown_{};
    std::string shownSpin_;
};

} // namespace orvanel
