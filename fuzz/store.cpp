// Fuzz target: the day-file and settings-file reader with the schedule
// store's load and save round trip.
//
// Input: the first byte picks the weekday whose day file gets the content
// (bit 7 set: every day file gets it); the rest is the day file's bytes, and
// when it holds the marker "[[schedule.ini]]", what follows the marker is the
// settings file (otherwise there is none, and start-up creates it). The
// files are written into a temporary directory of the fuzzer's own, and the
// store starts up from there. Besides not crashing:
//   - start-up raises nothing; each day list holds the lines of its file and
//     the grid shows the first 24 of them cut into fields, the way the plain
//     reference reader below splits them; the settings list and the script
//     delay are those of the settings file;
//   - a save writes exactly the grid's rows that have an EXE name, joined by
//     "|", cut to 255 characters and ended by CR LF, and the settings list
//     with the spin box text as line 2;
//   - the grid after the save shows those rows, packed from row 1, with
//     their cells unchanged; ClearGrids and LoadSchedule read back the same
//     grid;
//   - a second save writes the same bytes again.
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "schedule/error.h"
#include "schedule/files.h"
#include "schedule/store.h"

namespace {

using namespace orvanel;
namespace fs = std::filesystem;

using Row = std::array<std::string, kGridColumns>;
using Grid = std::array<std::array<Row, kTaskRows>, kDayCount>;

constexpr std::string_view kSettingsMarker = "[[schedule.ini]]";

void Check(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "%s\n", what);
        std::abort();
    }
}

// The store's files without the flushes to disk, which a fuzzer run on
// throw-away files does not need and which would slow it down a hundredfold.
class UnflushedFiles : public ScheduleFiles {
protected:
    int SyncFile(int /*fd*/) override { return 0; }
    int SyncDirectory(const fs::path& /*directory*/) override { return 0; }
};

const fs::path& WorkDirectory() {
    static const fs::path directory = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") +
                              "/orvanel-fuzz-store-XXXXXX";
        Check(mkdtemp(pattern.data()) != nullptr, "cannot create a temporary directory");
        return fs::path(pattern);
    }();
    static const bool removedAtExit = [] {
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(WorkDirectory(), ignored);
        });
        return true;
    }();
    (void)removedAtExit;
    return directory;
}

void WriteFile(const fs::path& path, std::string_view bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    Check(file.good(), "cannot write an input file");
}

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    Check(file.good(), "a file that the save should have written is missing");
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The reading rules, the plain way: the text ends at a NUL; CR LF, a lone CR
// and a lone LF each end a line; a last line needs no line end.
std::vector<std::string> ReferenceLines(std::string_view text) {
    text = text.substr(0, std::min(text.size(), text.find('\0')));
    std::vector<std::string> lines;
    std::string line;
    bool open = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(line);
            line.clear();
            open = false;
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else {
            line += text[i];
            open = true;
        }
    }
    if (open) {
        lines.push_back(line);
    }
    return lines;
}

// A task row as the grid shows a line: its first 255 characters cut at "|".
Row ReferenceRow(std::string_view line) {
    line = line.substr(0, std::min<std::size_t>(line.size(), 255));
    Row row;
    std::size_t column = 0;
    for (const char c : line) {
        if (c == '|') {
            if (++column == kGridColumns) {
                break;
            }
        } else {
            row[column] += c;
        }
    }
    return row;
}

std::string CrLfLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

Grid ReadGrid(const ScheduleView& view) {
    Grid grid;
    for (int day = 0; day < kDayCount; ++day) {
        for (int row = 1; row <= kTaskRows; ++row) {
            for (int column = 0; column < kGridColumns; ++column) {
                grid[day][row - 1][column] = view.Cell(day, column, row);
            }
        }
    }
    return grid;
}

// The rows that a save keeps (those with an EXE name), packed from row 1.
Grid Packed(const Grid& grid) {
    Grid packed{};
    for (int day = 0; day < kDayCount; ++day) {
        int to = 0;
        for (const Row& row : grid[day]) {
            if (!row[0].empty()) {
                packed[day][to++] = row;
            }
        }
    }
    return packed;
}

// What a save writes for a day: its kept rows joined by "|", cut to 255.
std::string SavedDay(const std::array<Row, kTaskRows>& rows) {
    std::vector<std::string> lines;
    for (const Row& row : rows) {
        if (row[0].empty()) {
            continue;
        }
        std::string line = row[0];
        for (int column = 1; column < kGridColumns; ++column) {
            line += "|" + row[column];
        }
        lines.push_back(line.substr(0, 255));
    }
    return CrLfLines(lines);
}

template <class Action> void NoError(Action action, const char* what) {
    try {
        action();
    } catch (const Error& error) {
        std::fprintf(stderr, "%s: %s\n", what, error.what());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const int chosenDay = data[0] % kDayCount;
    const bool everyDay = (data[0] & 0x80) != 0;
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t marker = rest.find(kSettingsMarker);
    const std::string_view dayText = rest.substr(0, marker);
    const bool hasSettings = marker != std::string_view::npos;
    const std::string_view settingsText =
        hasSettings ? rest.substr(marker + kSettingsMarker.size()) : std::string_view();

    const fs::path& dir = WorkDirectory();
    for (const auto& entry : fs::directory_iterator(dir)) {
        fs::remove_all(entry.path());
    }
    std::array<bool, kDayCount> written{};
    for (int day = 0; day < kDayCount; ++day) {
        if (everyDay || day == chosenDay) {
            WriteFile(dir / kDayFileNames[day], dayText);
            written[day] = true;
        }
    }
    if (hasSettings) {
        WriteFile(dir / kSettingsFileName, settingsText);
    }

    MemoryScheduleView view;
    UnflushedFiles files;
    ScheduleStore store(view, dir, files);
    NoError([&] { store.StartUp(); }, "start-up raised an error");

    // What start-up read.
    const std::vector<std::string> dayLines = ReferenceLines(dayText);
    for (int day = 0; day < kDayCount; ++day) {
        const std::vector<std::string> expected =
            written[day] ? dayLines : std::vector<std::string>();
        Check(store.DayList(day) == expected, "a day list differs from its file's lines");
        for (int row = 1; row <= kTaskRows; ++row) {
            const std::size_t i = static_cast<std::size_t>(row - 1);
            const Row expectedRow = i < expected.size() ? ReferenceRow(expected[i]) : Row();
            for (int column = 0; column < kGridColumns; ++column) {
                Check(view.Cell(day, column, row) == expectedRow[column],
                      "a grid cell differs from its line's field");
            }
        }
    }
    std::vector<std::string> settings = ReferenceLines(settingsText);
    if (!hasSettings) {
        settings = {kScriptDelayCaption, "0"};
        Check(ReadFile(dir / kSettingsFileName) == "Script Delay (mSecs):\r\n0\r\n",
              "start-up created a wrong settings file");
    }
    // A file without a caption or value line counts as having empty ones.
    if (settings.size() < 2) {
        settings = {kScriptDelayCaption, ""}; // no value line: the caption and an empty value
    }
    Check(store.SettingsList() == settings, "the settings list differs from the settings file");
    const std::string delay = settings[1].substr(0, 255);
    Check(store.ScriptDelay() == delay, "the script delay is not line 2 of the settings file");
    Check(view.SpinText() == delay, "the spin box does not show the script delay");

    // The first save.
    const Grid loaded = ReadGrid(view);
    NoError([&] { store.Save(); }, "the save raised an error");
    std::array<std::string, kDayCount> savedFiles;
    for (int day = 0; day < kDayCount; ++day) {
        savedFiles[day] = ReadFile(dir / kDayFileNames[day]);
        Check(savedFiles[day] == SavedDay(loaded[day]), "a saved day file has wrong bytes");
        Check(store.DayList(day) == ReferenceLines(savedFiles[day]),
              "a day list differs from the file just saved");
    }
    std::vector<std::string> savedSettings = settings;
    savedSettings[1] = delay; // the spin box text
    Check(store.SettingsList() == savedSettings, "the save changed the settings list wrongly");
    const std::string settingsFile = ReadFile(dir / kSettingsFileName);
    Check(settingsFile == CrLfLines(savedSettings), "the saved settings file has wrong bytes");

    const Grid afterSave = ReadGrid(view);
    Check(afterSave == Packed(loaded), "the grid after the save is not the saved rows, packed");

    // Read back once more, and save again.
    store.ClearGrids();
    NoError([&] { store.LoadSchedule(); }, "the read-back raised an error");
    Check(ReadGrid(view) == afterSave, "the grid does not read back the same");
    NoError([&] { store.Save(); }, "the second save raised an error");
    for (int day = 0; day < kDayCount; ++day) {
        Check(ReadFile(dir / kDayFileNames[day]) == savedFiles[day],
              "a second save wrote a day file differently");
    }
    Check(ReadFile(dir / kSettingsFileName) == settingsFile,
          "a second save wrote the settings file differently");
    Check(ReadGrid(view) == afterSave, "the grid changed over a second save");
    return 0;
}
