// What "Save Data" must never write over: a file the store could not read,
// and a file that changed on disk since it read it; and a cell is one line.
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "schedule/error.h"
#include "schedule/faultyfiles.h"
#include "schedule/store.h"
#include "support/tempdir.h"

namespace orvanel {
namespace {

using namespace std::string_literals;
using Lines = std::vector<std::string>;
using Files = std::map<std::string, std::string>;
namespace fs = std::filesystem;

constexpr std::uintmax_t k100GiB = std::uintmax_t{100} << 30;
const std::string kMonday = "m|M|1|1|m\r\n";

// The week on disk before each case.
Files Week() {
    Files files = {{"schedule.ini", "Script Delay (mSecs):\r\n50\r\n"}, {"monlist.ini", kMonday}};
    for (const char* name : kDayFileNames) {
        files.emplace(name, std::string(1, name[0]) + "|X|2|2|x\r\n"); // Monday's stays
    }
    return files;
}

struct Cell {
    int day, row, column;
    std::string text;
};

struct Case {
    const char* name = "";
    Files files{};                    // over the week, before start-up
    std::set<std::string> huge{};     // made 100 GiB (sparse) before start-up
    std::set<std::string> noMemory{}; // reading them runs out of memory
    std::string startError{};         // what start-up reports, if anything
    std::vector<Cell> typed{};        // after start-up
    Files outside{};                  // written by another program after start-up...
    bool justNow = false;             // ...this very moment: it may not be finished
    bool answer = false;              // to every question
    Lines questions{};                // the files asked about
    std::string saveError{};          // what the save reports, if anything
    Files after{};                    // the files after the save; the others keep their bytes
    Lines monday{};                   // Monday's list once a later check has been made
};

const std::string kAdded = kMonday + "added|A|4|4|a\r\n";

const std::string kTooLarge = "tuelist.ini is 100 GiB; Orvanel reads day files of up to 64 MiB";
const std::string kTooLong =
    "wedlist.ini has 250,001 lines; Orvanel reads day files of up to 250,000 lines";
const std::string kHugeSettings =
    "schedule.ini is 100 GiB; Orvanel reads settings files of up to 64 MiB";
const std::string kNoMemory = "Cannot open file tuelist.ini: not enough memory";

const std::vector<Case> kCases = {
    {.name = "a read failure on Tuesday holds it and reads every other day",
     .noMemory = {"tuelist.ini"},
     .startError = kNoMemory,
     .saveError = kNoMemory,
     .monday = {"m|M|1|1|m"}},
    {.name = "a 100 GiB Tuesday file is refused and held",
     .huge = {"tuelist.ini"},
     .startError = kTooLarge,
     .saveError = kTooLarge,
     .monday = {"m|M|1|1|m"}},
    {.name = "a day file of too many lines is refused and held",
     .files = {{"wedlist.ini", std::string(kMaxFileLines + 1, '\n')}},
     .startError = kTooLong,
     .saveError = kTooLong,
     .monday = {"m|M|1|1|m"}},
    {.name = "a huge schedule.ini is held, and Save writes the days",
     .huge = {"schedule.ini"},
     .startError = kHugeSettings,
     .typed = {{0, 2, 0, "new"}},
     .saveError = kHugeSettings,
     .after = {{"monlist.ini", kMonday + "new||||\r\n"}},
     .monday = {"m|M|1|1|m", "new||||"}},
    {.name = "an outside change to a page without edits is taken, not written",
     .outside = {{"monlist.ini", kAdded}},
     .after = {{"monlist.ini", kAdded}},
     .monday = {"m|M|1|1|m", "added|A|4|4|a"}},
    {.name = "an outside change to a page with edits is kept when the answer is no",
     .typed = {{0, 2, 0, "typed"}},
     .outside = {{"monlist.ini", kAdded}},
     .questions = {"monlist.ini"},
     .after = {{"monlist.ini", kAdded}},
     .monday = {"m|M|1|1|m", "added|A|4|4|a"}},
    {.name = "an outside change to a page with edits is written over when the answer is yes",
     .typed = {{0, 2, 0, "typed"}},
     .outside = {{"monlist.ini", kAdded}},
     .answer = true,
     .questions = {"monlist.ini"},
     .after = {{"monlist.ini", kMonday + "typed||||\r\n"}},
     .monday = {"m|M|1|1|m", "typed||||"}},
    {.name = "a file still being written is neither taken nor written until it is done",
     .outside = {{"monlist.ini", kMonday + "half"}},
     .justNow = true,
     .after = {{"monlist.ini", kMonday + "half"}},
     .monday = {"m|M|1|1|m", "half"}},
    {.name = "a line break in a cell becomes a blank",
     .typed = {{0, 1, 4, "abc\r\ndef|x"s + '\0' + "y"}},
     .after = {{"monlist.ini", "m|M|1|1|abc  def|x y\r\n"}},
     .monday = {"m|M|1|1|abc  def|x y"}},
};

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& error) {
        return error.what();
    }
    return "";
}

TEST(StoreSafetyTest, NothingUnreadOrChangedIsWrittenOver) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        MemoryScheduleView view;
        test::FaultyFiles files;
        ScheduleStore store(view, dir.Path(), files);
        Files disk = Week();
        for (const auto& [name, bytes] : c.files) {
            disk[name] = bytes;
        }
        for (const auto& [name, bytes] : disk) {
            test::WriteBytes(dir / name, bytes);
        }
        for (const std::string& name : c.huge) {
            test::MakeSparseFile(dir / name, k100GiB);
        }
        files.outOfMemory = c.noMemory;

        EXPECT_EQ(ErrorOf([&] { store.StartUp(); }), c.startError);
        EXPECT_EQ(store.DayList(6), (Lines{"s|X|2|2|x"})) << "every other day is read";
        for (const Cell& cell : c.typed) {
            view.SetCell(cell.day, cell.column, cell.row, cell.text);
        }
        files.clockAhead = c.justNow ? 0 : files.clockAhead;
        for (const auto& [name, bytes] : c.outside) {
            test::WriteBytes(dir / name, bytes);
        }
        Lines questions;
        EXPECT_EQ(ErrorOf([&] {
                      store.Save([&](const std::string& name) {
                          questions.push_back(name);
                          return c.answer;
                      });
                  }),
                  c.saveError);
        EXPECT_EQ(questions, c.questions);
        for (const auto& [name, bytes] : disk) {
            if (c.huge.count(name) != 0) {
                EXPECT_EQ(fs::file_size(dir / name), k100GiB) << name;
            } else {
                const auto after = c.after.find(name);
                EXPECT_EQ(test::ReadBytes(dir / name),
                          after != c.after.end() ? after->second : bytes)
                    << name;
            }
        }
        EXPECT_FALSE(store.ReloadChangedFiles().Any()) << "reported once only";
        files.clockAhead = 2 * kSettleNanoseconds; // a check a while later
        store.ReloadChangedFiles();
        EXPECT_EQ(store.DayList(0), c.monday);
    }
}

} // namespace
} // namespace orvanel
