// The schedule store: the seven day lists, the settings list and the script
// delay, kept in eight small text files in one directory (the working
// directory of the program), and copied to and from the seven day grids.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace orvanel {

constexpr int kDayCount = 7;      // Monday (0) to Sunday (6)
constexpr int kGridRows = 25;     // row 0 is the header row
constexpr int kGridColumns = 5;   // EXE name, Window Title, Hour, Min., Script
constexpr int kTaskRows = 24;     // rows 1 to 24

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
    virtual void SetCell(int day, int column, int row, const std::string& text) = 0;
    virtual std::string SpinText() const = 0;
    virtual void SetSpinText(const std::string& text) = 0;
};

// A plain in-memory view: seven 25 x 5 grids and a spin box text.
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

class ScheduleStore {
public:
    // `directory` holds the files; the program passes its working directory.
    // Error messages name the bare file name only.
    explicit ScheduleStore(ScheduleView& view, std::filesystem::path directory = ".");

    // Start-up, in this order (the window sets its own captions in between):
    void CreateLists();   // the seven day lists, then the settings list, all empty
    void LoadSettings();  // reads or creates the settings file, fixes the script delay, fills the spin box
    void ClearGrids();    // empties task rows 1 to 24 of all seven grids
    void LoadSchedule();  // reads the day files into the lists and the grids

    // "Save Data": rebuilds the lists from the grids, writes all eight files,
    // clears the grids and reads the files back.
    void Save();

    // Frees the lists; nothing is saved.
    void Release();

    bool HasLists() const { return hasLists_; }
    // Day lists: 0 Monday ... 6 Sunday.
    const std::vector<std::string>& DayList(int day) const;
    const std::vector<std::string>& SettingsList() const { return settings_; }
    // The script delay text, fixed at start-up.
    const std::string& ScriptDelay() const { return scriptDelay_; }

private:
    ScheduleView& view_;
    std::filesystem::path directory_;
    bool hasLists_ = false;
    std::array<std::vector<std::string>, kDayCount> days_{};
    std::vector<std::string> settings_;
    std::string scriptDelay_;
    // Days whose file exists but could not be read at the last load.
    std::array<bool, kDayCount> unreadable_{};
};

} // namespace orvanel
