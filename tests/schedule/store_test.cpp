// The schedule store: start-up, loading, saving and release, against files in
// a temporary directory of each test's own.
#include <array>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "schedule/error.h"
#include "schedule/faultyfiles.h"
#include "schedule/store.h"
#include "schedule/taskline.h"
#include "support/tempdir.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace orvanel {
namespace {

using namespace std::string_literals;
using Row = std::array<std::string, kGridColumns>;
using Lines = std::vector<std::string>;

constexpr int kMonday = 0;
constexpr int kTuesday = 1;
constexpr int kWednesday = 2;
constexpr int kThursday = 3;
constexpr int kFriday = 4;
constexpr int kSaturday = 5;
constexpr int kSunday = 6;

const std::string kNewSettings = "Script Delay (mSecs):\r\n0\r\n";

class StoreTest : public testing::Test {
protected:
    test::TempDir dir;
    MemoryScheduleView view;
    test::FaultyFiles files;
    std::unique_ptr<ScheduleStore> store = NewStore();

    std::unique_ptr<ScheduleStore> NewStore() {
        return std::make_unique<ScheduleStore>(view, dir.Path(), files);
    }
    // A new run of the program on the same directory, with fresh grids.
    void Restart() {
        store.reset();
        view = MemoryScheduleView();
        store = NewStore();
        store->StartUp();
    }
    void Write(const std::string& name, const std::string& bytes) {
        test::WriteBytes(dir / name, bytes);
    }
    std::string Read(const std::string& name) { return test::ReadBytes(dir / name); }
    std::string DayFile(int day) { return Read(kDayFileNames[static_cast<std::size_t>(day)]); }
    void WriteDay(int day, const std::string& bytes) {
        Write(kDayFileNames[static_cast<std::size_t>(day)], bytes);
    }
    void SetRow(int day, int row, const Row& cells) {
        for (int c = 0; c < kGridColumns; ++c) {
            view.SetCell(day, c, row, cells[static_cast<std::size_t>(c)]);
        }
    }
    Row GetRow(int day, int row) const {
        Row cells;
        for (int c = 0; c < kGridColumns; ++c) {
            cells[static_cast<std::size_t>(c)] = view.Cell(day, c, row);
        }
        return cells;
    }
    // Every task row of a day that holds any text, as "row:a|b|c|d|e".
    std::vector<std::string> FilledRows(int day) const {
        std::vector<std::string> rows;
        for (int r = 1; r <= kTaskRows; ++r) {
            const Row cells = GetRow(day, r);
            std::string joined = std::to_string(r) + ":" + cells[0];
            bool any = !cells[0].empty();
            for (std::size_t c = 1; c < cells.size(); ++c) {
                joined += "|" + cells[c];
                any = any || !cells[c].empty();
            }
            if (any) {
                rows.push_back(joined);
            }
        }
        return rows;
    }
    void FillGridsWithJunk() {
        for (int d = 0; d < kDayCount; ++d) {
            for (int r = 1; r <= kTaskRows; ++r) {
                SetRow(d, r, {"junk", "j", "1", "2", "x"});
            }
        }
    }
};

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& error) {
        return error.what();
    }
    return "(no error)";
}

// ---------------------------------------------------------------- start-up

TEST_F(StoreTest, FirstStartInEmptyDirectory) {
    FillGridsWithJunk();
    view.SetSpinText("junk");
    store->StartUp();
    EXPECT_EQ(Read("schedule.ini"), kNewSettings);
    EXPECT_EQ(Read("schedule.ini").size(), 26u);
    EXPECT_EQ(view.SpinText(), "0");
    EXPECT_EQ(store->ScriptDelay(), "0");
    EXPECT_EQ(store->SettingsList(), (Lines{"Script Delay (mSecs):", "0"}));
    for (int d = 0; d < kDayCount; ++d) {
        EXPECT_TRUE(FilledRows(d).empty()) << "day " << d;
        EXPECT_TRUE(store->DayList(d).empty());
        EXPECT_FALSE(store->IsDayHeld(d));
    }
    EXPECT_EQ(test::ListDirectory(dir.Path()), "schedule.ini");
    EXPECT_TRUE(store->HasLists());
}

TEST_F(StoreTest, DefaultFileAccessWorks) {
    ScheduleStore plain(view, dir.Path());
    plain.StartUp();
    SetRow(kMonday, 1, {"a.exe", "A", "7", "5", "x"});
    plain.Save();
    EXPECT_EQ(DayFile(kMonday), "a.exe|A|7|5|x\r\n");
    EXPECT_EQ(Read("schedule.ini"), kNewSettings);
}

TEST_F(StoreTest, StartUpLeavesHeaderRowAlone) {
    SetRow(kMonday, 0, {"EXE name", "Window Title", "Hour", "Min.", "Script"});
    WriteDay(kMonday, "a|b|c|d|e\r\n");
    store->StartUp();
    EXPECT_EQ(GetRow(kMonday, 0), (Row{"EXE name", "Window Title", "Hour", "Min.", "Script"}));
    EXPECT_EQ(GetRow(kMonday, 1), (Row{"a", "b", "c", "d", "e"}));
}

TEST_F(StoreTest, ClearGridsBlanksTaskRowsOnly) {
    store->StartUp();
    WriteDay(kMonday, "a|b|c|d|e\r\n");
    store->LoadSchedule();
    FillGridsWithJunk();
    SetRow(kSunday, 0, {"h0", "h1", "h2", "h3", "h4"});
    store->ClearGrids();
    for (int d = 0; d < kDayCount; ++d) {
        EXPECT_TRUE(FilledRows(d).empty());
    }
    EXPECT_EQ(GetRow(kSunday, 0), (Row{"h0", "h1", "h2", "h3", "h4"}));
    EXPECT_EQ(store->DayList(kMonday), (Lines{"a|b|c|d|e"}));
}

TEST_F(StoreTest, LoadScheduleKeepsRowsOfMissingDays) {
    store->StartUp();
    SetRow(kTuesday, 3, {"typed", "", "", "", ""});
    store->LoadSchedule();
    EXPECT_EQ(FilledRows(kTuesday), (std::vector<std::string>{"3:typed||||"}));
}

// ---------------------------------------------------------------- reading rules

struct SplitCase {
    std::string name;
    std::string bytes;
    Lines lines;
};

class ReadingRulesTest : public StoreTest, public testing::WithParamInterface<SplitCase> {};

TEST_P(ReadingRulesTest, DayFileReadsIntoList) {
    const SplitCase& c = GetParam();
    EXPECT_EQ(SplitLines(c.bytes), c.lines);
    WriteDay(kWednesday, c.bytes);
    store->StartUp();
    EXPECT_EQ(store->DayList(kWednesday), c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadingRulesTest,
    testing::Values(
        SplitCase{"Empty", "", {}}, SplitCase{"CrLf", "a\r\nb\r\n", {"a", "b"}},
        SplitCase{"LfOnly", "a\nb\n", {"a", "b"}}, SplitCase{"LoneCr", "a\rb\r", {"a", "b"}},
        SplitCase{"Mixed", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        SplitCase{"NoFinalLineEnd", "a\r\nb", {"a", "b"}}, SplitCase{"OnlyLineEnd", "\r\n", {""}},
        SplitCase{"EmptyMiddleLine", "a\r\n\r\nb\r\n", {"a", "", "b"}},
        SplitCase{"EmptyLastLineKept", "a\r\n\r\n", {"a", ""}},
        SplitCase{"CrCrLf", "a\r\r\nb", {"a", "", "b"}},
        SplitCase{"LfCr", "a\n\rb", {"a", "", "b"}},
        SplitCase{"NulEndsText", "a\r\nb\0c\r\nd\r\n"s, {"a", "b"}},
        SplitCase{"NulAtStart", "\0a\r\n"s, {}}, SplitCase{"NulAfterLineEnd", "a\r\n\0b"s, {"a"}},
        SplitCase{"EightBitAsTheyStand", "caf\xe9|\x80\xff\r\n", {"caf\xe9|\x80\xff"}},
        SplitCase{"BlanksKept", "  \r\n a \r\n", {"  ", " a "}}),
    [](const auto& info) { return info.param.name; });

TEST(LineTextTest, JoinLinesEndsEveryLineInCrLf) {
    EXPECT_EQ(JoinLines({}), "");
    EXPECT_EQ(JoinLines({""}), "\r\n");
    EXPECT_EQ(JoinLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
}

// ---------------------------------------------------------------- loading day files

TEST_F(StoreTest, LinesFillFiveCellsEach) {
    WriteDay(kMonday, "a|b|7\r\n"         // three fields
                      "1|2|3|4|5|6|7\r\n" // seven fields
                      "\r\n"              // empty line
                      "x.exe||12|30|abc;{ENTER}\r\n");
    FillGridsWithJunk();
    store->StartUp();
    EXPECT_EQ(GetRow(kMonday, 1), (Row{"a", "b", "7", "", ""}));
    EXPECT_EQ(GetRow(kMonday, 2), (Row{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(GetRow(kMonday, 3), (Row{"", "", "", "", ""}));
    EXPECT_EQ(GetRow(kMonday, 4), (Row{"x.exe", "", "12", "30", "abc;{ENTER}"}));
    EXPECT_EQ(store->DayList(kMonday).size(), 4u);
    EXPECT_EQ(store->DayList(kMonday)[1], "1|2|3|4|5|6|7");

    // The save writes five fields, drops the empty row and closes the gap.
    store->Save();
    EXPECT_EQ(DayFile(kMonday), "a|b|7||\r\n1|2|3|4|5\r\nx.exe||12|30|abc;{ENTER}\r\n");
    EXPECT_EQ(FilledRows(kMonday),
              (std::vector<std::string>{"1:a|b|7||", "2:1|2|3|4|5", "3:x.exe||12|30|abc;{ENTER}"}));
}

TEST_F(StoreTest, ThirtyLineDayFile) {
    std::string bytes;
    for (int i = 0; i < 30; ++i) {
        bytes += "p" + std::to_string(i) + ".exe|T|1|" + std::to_string(i) + "|s\r\n";
    }
    WriteDay(kThursday, bytes);
    store->StartUp();
    EXPECT_EQ(store->DayList(kThursday).size(), 30u);
    EXPECT_EQ(store->DayList(kThursday)[29], "p29.exe|T|1|29|s");
    EXPECT_EQ(FilledRows(kThursday).size(), 24u);
    EXPECT_EQ(GetRow(kThursday, 24), (Row{"p23.exe", "T", "1", "23", "s"}));

    store->Save();
    EXPECT_EQ(store->DayList(kThursday).size(), 24u);
    EXPECT_EQ(SplitLines(DayFile(kThursday)).size(), 24u);
    EXPECT_EQ(DayFile(kThursday), bytes.substr(0, bytes.find("p24.exe")));
}

TEST_F(StoreTest, LongLineOnLoadShowsFirst255Characters) {
    // The script field spans character 255; a sixth field lies beyond it.
    const std::string head = "e.exe|W|1|2|";
    const std::string script(300, 's');
    const std::string line = head + script;
    WriteDay(kSunday, line + "\r\n");
    store->StartUp();
    EXPECT_EQ(store->DayList(kSunday), (Lines{line}));
    EXPECT_EQ(GetRow(kSunday, 1),
              (Row{"e.exe", "W", "1", "2", script.substr(0, 255 - head.size())}));

    WriteDay(kSaturday, std::string(255, 'a') + "|b\n");
    store->LoadSchedule();
    EXPECT_EQ(GetRow(kSaturday, 1), (Row{std::string(255, 'a'), "", "", "", ""}));
}

// ---------------------------------------------------------------- saving

TEST_F(StoreTest, RowsTwoAndFivePackToOneAndTwo) {
    store->StartUp();
    SetRow(kTuesday, 2, {"b.exe", "B", "8", "15", "b"});
    SetRow(kTuesday, 5, {"e.exe", "E", "9", "45", "e"});
    store->Save();
    EXPECT_EQ(DayFile(kTuesday), "b.exe|B|8|15|b\r\ne.exe|E|9|45|e\r\n");
    EXPECT_EQ(FilledRows(kTuesday),
              (std::vector<std::string>{"1:b.exe|B|8|15|b", "2:e.exe|E|9|45|e"}));
    EXPECT_EQ(store->DayList(kTuesday), (Lines{"b.exe|B|8|15|b", "e.exe|E|9|45|e"}));
}

TEST_F(StoreTest, SaveWritesAllEightFilesInTheirFormat) {
    store->StartUp();
    SetRow(kMonday, 1, {"a.exe", "", "", "", ""});
    store->Save();
    EXPECT_EQ(DayFile(kMonday), "a.exe||||\r\n");
    for (int d = 1; d < kDayCount; ++d) {
        EXPECT_EQ(DayFile(d), "") << "day " << d; // empty day: a file of 0 bytes
    }
    EXPECT_EQ(Read("schedule.ini"), kNewSettings);
    EXPECT_EQ(test::ListDirectory(dir.Path()), "frilist.ini monlist.ini satlist.ini schedule.ini "
                                               "sunlist.ini thulist.ini tuelist.ini wedlist.ini");
}

TEST_F(StoreTest, RowWithoutExeNameIsNotSaved) {
    store->StartUp();
    SetRow(kMonday, 1, {"", "Title", "7", "5", "abc"});
    SetRow(kMonday, 2, {" ", "", "", "", ""}); // blanks count as text
    store->Save();
    EXPECT_EQ(DayFile(kMonday), " ||||\r\n");
    EXPECT_EQ(FilledRows(kMonday), (std::vector<std::string>{"1: ||||"}));
}

TEST_F(StoreTest, BarInsideCellIsWrittenAsItStands) {
    store->StartUp();
    SetRow(kMonday, 1, {"a.exe", "Left|Right", "7", "5", "script"});
    store->Save();
    EXPECT_EQ(DayFile(kMonday), "a.exe|Left|Right|7|5|script\r\n");
    EXPECT_EQ(GetRow(kMonday, 1), (Row{"a.exe", "Left", "Right", "7", "5"}));
    EXPECT_EQ(store->DayList(kMonday), (Lines{"a.exe|Left|Right|7|5|script"}));
}

TEST_F(StoreTest, LongRowIsSavedCutTo255) {
    store->StartUp();
    SetRow(kMonday, 1, {"a.exe", "W", "7", "5", std::string(300, 'k')});
    store->Save();
    const std::string expected = ("a.exe|W|7|5|" + std::string(300, 'k')).substr(0, 255);
    EXPECT_EQ(DayFile(kMonday), expected + "\r\n");
    EXPECT_EQ(GetRow(kMonday, 1)[4], std::string(255 - 12, 'k'));
}

TEST_F(StoreTest, LfOnlyFileIsWrittenBackWithCrLf) {
    WriteDay(kMonday, "a|b|1|2|c\nd|e|3|4|f");
    store->StartUp();
    EXPECT_EQ(store->DayList(kMonday), (Lines{"a|b|1|2|c", "d|e|3|4|f"}));
    store->Save();
    EXPECT_EQ(DayFile(kMonday), "a|b|1|2|c\r\nd|e|3|4|f\r\n");
}

TEST_F(StoreTest, NulInsideDayFileEndsIt) {
    WriteDay(kMonday, "a|b|1|2|c\r\nd|e\0|3|4|f\r\ng|h|5|6|i\r\n"s);
    store->StartUp();
    EXPECT_EQ(store->DayList(kMonday), (Lines{"a|b|1|2|c", "d|e"}));
    EXPECT_EQ(FilledRows(kMonday), (std::vector<std::string>{"1:a|b|1|2|c", "2:d|e|||"}));
}

TEST_F(StoreTest, EightBitBytesAsTheyStand) {
    store->StartUp();
    SetRow(kMonday, 1, {"\xe9\xe8.exe", "Caf\xe9", "7", "5", "\xa7\xff"});
    store->Save();
    EXPECT_EQ(DayFile(kMonday), "\xe9\xe8.exe|Caf\xe9|7|5|\xa7\xff\r\n");
    EXPECT_EQ(GetRow(kMonday, 1), (Row{"\xe9\xe8.exe", "Caf\xe9", "7", "5", "\xa7\xff"}));
}

TEST_F(StoreTest, UnchangedDaysAreRewrittenAnyway) {
    WriteDay(kFriday, "f|g|1|2|h\n");
    store->StartUp();
    store->Save();
    EXPECT_EQ(DayFile(kFriday), "f|g|1|2|h\r\n");
}

// ---------------------------------------------------------------- settings

TEST_F(StoreTest, SavedDelayTakesEffectAtNextStart) {
    store->StartUp();
    view.SetSpinText("250");
    store->Save();
    EXPECT_EQ(Read("schedule.ini"), "Script Delay (mSecs):\r\n250\r\n");
    EXPECT_EQ(store->ScriptDelay(), "0");
    EXPECT_EQ(view.SpinText(), "250");
    Restart();
    EXPECT_EQ(view.SpinText(), "250");
    EXPECT_EQ(store->ScriptDelay(), "250");
}

TEST_F(StoreTest, FurtherSettingsLinesSurviveSaves) {
    Write("schedule.ini", "Script Delay (mSecs):\n100\nextra one\n\nextra three\n");
    store->StartUp();
    EXPECT_EQ(store->ScriptDelay(), "100");
    view.SetSpinText("40");
    store->Save();
    store->Save();
    EXPECT_EQ(Read("schedule.ini"),
              "Script Delay (mSecs):\r\n40\r\nextra one\r\n\r\nextra three\r\n");
}

TEST_F(StoreTest, SpinTextIsSavedUnchecked) {
    store->StartUp();
    view.SetSpinText(" x1 ");
    store->Save();
    EXPECT_EQ(Read("schedule.ini"), "Script Delay (mSecs):\r\n x1 \r\n");
}

TEST_F(StoreTest, EmptyValueLineMeans100Ms) {
    Write("schedule.ini", "Script Delay (mSecs):\r\n\r\n");
    store->StartUp();
    EXPECT_EQ(view.SpinText(), "");
    EXPECT_EQ(store->ScriptDelay(), "");
    EXPECT_EQ(TextToIntDef(store->ScriptDelay(), 100), 100);
}

TEST_F(StoreTest, LongDelayIsCutTo255) {
    Write("schedule.ini", "Script Delay (mSecs):\r\n" + std::string(300, '9') + "\r\n");
    store->StartUp();
    EXPECT_EQ(store->ScriptDelay(), std::string(255, '9'));
    EXPECT_EQ(view.SpinText(), std::string(255, '9'));
    EXPECT_EQ(store->SettingsList()[1], std::string(300, '9'));
}

TEST_F(StoreTest, DirectoryNamedSettingsFileCannotBeCreated) {
    std::filesystem::create_directory(dir / "schedule.ini");
    WriteDay(kMonday, "a|b|1|2|c\r\n");
    EXPECT_EQ(ErrorOf([&] { store->StartUp(); }), "Cannot create file schedule.ini");
    // The default was never stored: the delay stays empty (100 ms), not 0.
    EXPECT_EQ(store->ScriptDelay(), "");
    EXPECT_EQ(view.SpinText(), "");
    // The rest of start-up still ran.
    EXPECT_EQ(store->DayList(kMonday), (Lines{"a|b|1|2|c"}));
    EXPECT_EQ(FilledRows(kMonday), (std::vector<std::string>{"1:a|b|1|2|c"}));

    SetRow(kMonday, 2, {"new.exe", "", "", "", ""});
    EXPECT_EQ(ErrorOf([&] { store->Save(); }), "Cannot create file schedule.ini");
    for (int d = 0; d < kDayCount; ++d) {
        EXPECT_TRUE(store->DayList(d).empty()); // no day list until the next good save
    }
    EXPECT_EQ(DayFile(kMonday), "a|b|1|2|c\r\n");
    EXPECT_EQ(GetRow(kMonday, 2)[0], "new.exe");
}

struct ShortSettingsCase {
    std::string name;
    std::string bytes;
    Lines loaded;
    std::string saved; // after saving with spin text "7"
};

class ShortSettingsTest : public StoreTest,
                          public testing::WithParamInterface<ShortSettingsCase> {};

TEST_P(ShortSettingsTest, MissingLinesAreCompletedBySave) {
    const ShortSettingsCase& c = GetParam();
    Write("schedule.ini", c.bytes);
    store->StartUp();
    EXPECT_EQ(store->SettingsList(), c.loaded);
    EXPECT_EQ(store->ScriptDelay(), c.loaded[1]);
    EXPECT_EQ(view.SpinText(), c.loaded[1]);
    EXPECT_EQ(TextToIntDef(store->ScriptDelay(), 100), 100);
    EXPECT_EQ(Read("schedule.ini"), c.bytes); // not touched before a save
    view.SetSpinText("7");
    store->Save();
    EXPECT_EQ(Read("schedule.ini"), c.saved);
    store->Save(); // and later saves go on working
    EXPECT_EQ(Read("schedule.ini"), c.saved);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShortSettingsTest,
    testing::Values(
        ShortSettingsCase{
            "Empty", "", {"Script Delay (mSecs):", ""}, "Script Delay (mSecs):\r\n7\r\n"},
        ShortSettingsCase{"NulOnly",
                          "\0\r\n5\r\n"s,
                          {"Script Delay (mSecs):", ""},
                          "Script Delay (mSecs):\r\n7\r\n"},
        ShortSettingsCase{"CaptionOnly",
                          "Script Delay (mSecs):\r\n",
                          {"Script Delay (mSecs):", ""},
                          "Script Delay (mSecs):\r\n7\r\n"},
        // A file the program writes always starts with the caption line.
        ShortSettingsCase{"OtherFirstLine",
                          "Delay\n",
                          {"Script Delay (mSecs):", ""},
                          "Script Delay (mSecs):\r\n7\r\n"},
        ShortSettingsCase{
            "ValueOnly", "250", {"Script Delay (mSecs):", ""}, "Script Delay (mSecs):\r\n7\r\n"}),
    [](const auto& info) { return info.param.name; });

// ---------------------------------------------------------------- release

TEST_F(StoreTest, ReleaseFreesListsAndSavesNothing) {
    WriteDay(kMonday, "a|b|1|2|c\n");
    store->StartUp();
    SetRow(kMonday, 1, {"edited", "", "", "", ""});
    view.SetSpinText("999");
    store->Release();
    EXPECT_FALSE(store->HasLists());
    EXPECT_TRUE(store->DayList(kMonday).empty());
    EXPECT_TRUE(store->SettingsList().empty());
    EXPECT_EQ(DayFile(kMonday), "a|b|1|2|c\n");
    EXPECT_EQ(Read("schedule.ini"), kNewSettings);
    EXPECT_EQ(test::ListDirectory(dir.Path()), "monlist.ini schedule.ini");
}

// ---------------------------------------------------------------- failures

TEST_F(StoreTest, DirectoryNamedDayFile) {
    std::filesystem::create_directory(dir / "monlist.ini");
    WriteDay(kTuesday, "old|t|1|1|x\r\n");
    store->StartUp(); // counts as missing: no error
    EXPECT_TRUE(store->DayList(kMonday).empty());
    EXPECT_FALSE(store->IsDayHeld(kMonday));
    SetRow(kMonday, 1, {"m.exe", "", "", "", ""});
    SetRow(kTuesday, 1, {"new", "t", "2", "2", "y"});
    view.SetSpinText("30");
    EXPECT_EQ(ErrorOf([&] { store->Save(); }), "Cannot create file monlist.ini");
    EXPECT_EQ(Read("schedule.ini"), "Script Delay (mSecs):\r\n30\r\n"); // written before
    EXPECT_EQ(DayFile(kTuesday), "old|t|1|1|x\r\n");                    // after: old content
    EXPECT_TRUE(std::filesystem::is_directory(dir / "monlist.ini"));
    EXPECT_EQ(GetRow(kMonday, 1)[0], "m.exe"); // grids keep what the user entered
    EXPECT_EQ(GetRow(kTuesday, 1)[0], "new");
    EXPECT_EQ(test::ListDirectory(dir.Path()), "monlist.ini schedule.ini tuelist.ini");
}

TEST_F(StoreTest, FailedDayStopsTheSave) {
    std::filesystem::create_directory(dir / "wedlist.ini");
    for (int d = 0; d < kDayCount; ++d) {
        if (d != kWednesday) {
            WriteDay(d, "old" + std::to_string(d) + "\r\n");
        }
    }
    store->StartUp();
    for (int d = 0; d < kDayCount; ++d) {
        SetRow(d, 1, {"new" + std::to_string(d), "", "", "", ""});
    }
    EXPECT_EQ(ErrorOf([&] { store->Save(); }), "Cannot create file wedlist.ini");
    EXPECT_EQ(DayFile(kMonday), "new0||||\r\n");
    EXPECT_EQ(DayFile(kTuesday), "new1||||\r\n");
    for (int d = 3; d < kDayCount; ++d) {
        EXPECT_EQ(DayFile(d), "old" + std::to_string(d) + "\r\n");
        EXPECT_TRUE(store->DayList(d).empty());
        EXPECT_EQ(GetRow(d, 1)[0], "new" + std::to_string(d));
    }
    // Once the obstacle is gone, saving again writes everything.
    std::filesystem::remove(dir / "wedlist.ini");
    store->Save();
    for (int d = 0; d < kDayCount; ++d) {
        EXPECT_EQ(DayFile(d), "new" + std::to_string(d) + "||||\r\n");
        EXPECT_EQ(store->DayList(d).size(), 1u);
    }
}

struct WriteFaultCase {
    std::string name;
    test::FaultyFiles::Step step;
    std::size_t bytesBeforeFailure;
};

class WriteFaultTest : public StoreTest, public testing::WithParamInterface<WriteFaultCase> {};

TEST_P(WriteFaultTest, OldFileStaysByteIdentical) {
    const WriteFaultCase& c = GetParam();
    const std::string oldThursday = "keep|me|1|2|x\nexactly\r\n\r\nas is";
    const std::string oldSettings = "Script Delay (mSecs):\n5\nmore\n";
    Write("schedule.ini", oldSettings);
    WriteDay(kTuesday, "old tue\r\n");
    WriteDay(3, oldThursday);
    WriteDay(kSunday, "old sun\r\n");
    store->StartUp();
    for (int d = 0; d < kDayCount; ++d) {
        SetRow(d, 1, {"new" + std::to_string(d), "title", "1", "2", std::string(200, 's')});
    }

    files.failingName = "thulist.ini";
    files.failingStep = c.step;
    files.bytesBeforeFailure = c.bytesBeforeFailure;
    EXPECT_EQ(ErrorOf([&] { store->Save(); }), "Cannot create file thulist.ini");
    EXPECT_EQ(DayFile(kThursday), oldThursday);
    EXPECT_EQ(DayFile(kTuesday), "new1|title|1|2|" + std::string(200, 's') + "\r\n");
    EXPECT_EQ(DayFile(kSunday), "old sun\r\n");
    EXPECT_EQ(Read("schedule.ini"), "Script Delay (mSecs):\r\n5\r\nmore\r\n");
    // No temporary file is left behind, and no day file appeared after the failure.
    EXPECT_EQ(test::ListDirectory(dir.Path()),
              "monlist.ini schedule.ini sunlist.ini thulist.ini tuelist.ini wedlist.ini");

    // The same failure on the settings file leaves it intact too.
    files.failingName = "schedule.ini";
    view.SetSpinText("77");
    EXPECT_EQ(ErrorOf([&] { store->Save(); }), "Cannot create file schedule.ini");
    EXPECT_EQ(Read("schedule.ini"), "Script Delay (mSecs):\r\n5\r\nmore\r\n");

    files.failingStep = test::FaultyFiles::Step::None;
    store->Save();
    EXPECT_EQ(DayFile(kThursday),
              "new3|title|1|2|" + std::string(200, 's') + "\r\nexactly||||\r\nas is||||\r\n");
    EXPECT_EQ(Read("schedule.ini"), "Script Delay (mSecs):\r\n77\r\nmore\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WriteFaultTest,
    testing::Values(WriteFaultCase{"CannotCreateTemporary", test::FaultyFiles::Step::Open, 0},
                    WriteFaultCase{"DiskFullAtOnce", test::FaultyFiles::Step::Write, 0},
                    WriteFaultCase{"DiskFullHalfWay", test::FaultyFiles::Step::Write, 20},
                    WriteFaultCase{"SyncFails", test::FaultyFiles::Step::Sync, 0},
                    WriteFaultCase{"RenameFails", test::FaultyFiles::Step::Rename, 0}),
    [](const auto& info) { return info.param.name; });

#ifndef _WIN32
// A process killed half-way through writing a day file leaves the old file
// whole (only a stray hidden temporary file may remain).
class KillingFiles : public test::FaultyFiles {
protected:
    long WriteSome(int fd, const char* data, std::size_t size) override {
        const long n = test::FaultyFiles::WriteSome(fd, data, size / 2);
        std::raise(SIGKILL);
        return n;
    }
};

TEST_F(StoreTest, KilledDuringSaveLeavesOldFiles) {
    Write("schedule.ini", "Script Delay (mSecs):\r\n9\r\n");
    WriteDay(kMonday, "old mon\r\n");
    EXPECT_EXIT(
        {
            KillingFiles killing;
            MemoryScheduleView grids;
            ScheduleStore doomed(grids, dir.Path(), killing);
            doomed.StartUp();
            grids.SetSpinText("1");
            grids.SetCell(kMonday, 0, 1, std::string(100, 'n'));
            doomed.Save();
        },
        testing::KilledBySignal(SIGKILL), "");
    EXPECT_EQ(Read("schedule.ini"), "Script Delay (mSecs):\r\n9\r\n");
    EXPECT_EQ(DayFile(kMonday), "old mon\r\n");
}
#endif

// ---------------------------------------------------------------- unreadable files

TEST_F(StoreTest, UnreadableDayFileIsHeldNotOverwritten) {
    const std::string oldTuesday = "precious|T|7|5|do not lose\r\n";
    WriteDay(kMonday, "m|M|1|1|m\r\n");
    WriteDay(kTuesday, oldTuesday);
    WriteDay(kWednesday, "w|W|2|2|w\r\n");
    files.unreadable = {"tuelist.ini"};
    FillGridsWithJunk();

    // Start-up reports the file and still loads every other day.
    EXPECT_EQ(ErrorOf([&] { store->StartUp(); }), "Cannot open file tuelist.ini");
    EXPECT_TRUE(store->IsDayHeld(kTuesday));
    EXPECT_TRUE(store->DayList(kTuesday).empty());
    EXPECT_TRUE(FilledRows(kTuesday).empty());
    EXPECT_EQ(store->DayList(kMonday), (Lines{"m|M|1|1|m"}));
    EXPECT_EQ(store->DayList(kWednesday), (Lines{"w|W|2|2|w"}));
    EXPECT_EQ(FilledRows(kWednesday), (std::vector<std::string>{"1:w|W|2|2|w"}));

    // A save writes every other file, leaves this one alone, keeps what was
    // typed on its page, and does not report success.
    SetRow(kMonday, 2, {"m2", "", "", "", ""});
    SetRow(kTuesday, 1, {"typed", "", "3", "4", ""});
    SetRow(kTuesday, 2, {"typed2", "", "", "", ""});
    SetRow(kTuesday, 5, {"", "t5", "", "", ""});
    view.SetSpinText("60");
    EXPECT_EQ(ErrorOf([&] { store->Save(); }), "Cannot open file tuelist.ini");
    EXPECT_EQ(DayFile(kTuesday), oldTuesday);
    EXPECT_EQ(DayFile(kMonday), "m|M|1|1|m\r\nm2||||\r\n");
    EXPECT_EQ(DayFile(kSunday), "");
    EXPECT_EQ(Read("schedule.ini"), "Script Delay (mSecs):\r\n60\r\n");
    EXPECT_EQ(FilledRows(kTuesday),
              (std::vector<std::string>{"1:typed||3|4|", "2:typed2||||", "5:|t5|||"}));
    EXPECT_TRUE(store->IsDayHeld(kTuesday));
    EXPECT_TRUE(store->DayList(kTuesday).empty());
    EXPECT_EQ(store->DayList(kMonday).size(), 2u);

    // Once the file can be read again, the check that begins a save takes
    // it; what was typed on its page stays on screen, and the file is not
    // written over without a yes.
    files.unreadable.clear();
    DiskChanges changes;
    store->Save({}, &changes);
    EXPECT_EQ(changes.notSaved, (Lines{"tuelist.ini"}));
    EXPECT_EQ(DayFile(kTuesday), oldTuesday);
    EXPECT_FALSE(store->IsDayHeld(kTuesday));
    EXPECT_EQ(store->DayList(kTuesday), (Lines{"precious|T|7|5|do not lose"}));
    EXPECT_EQ(FilledRows(kTuesday),
              (std::vector<std::string>{"1:typed||3|4|", "2:typed2||||", "5:|t5|||"}));
    store->Save([](const std::string&) { return true; });
    EXPECT_EQ(DayFile(kTuesday), "typed||3|4|\r\ntyped2||||\r\n");
}

TEST_F(StoreTest, HeldDayEndsWhenFileIsRemoved) {
    WriteDay(kTuesday, "x|x|1|1|x\r\n");
    files.unreadable = {"tuelist.ini"};
    EXPECT_EQ(ErrorOf([&] { store->StartUp(); }), "Cannot open file tuelist.ini");
    std::filesystem::remove(dir / "tuelist.ini");
    files.unreadable.clear();
    SetRow(kTuesday, 1, {"typed", "", "", "", ""});
    store->Save(); // nothing left to write over
    EXPECT_FALSE(store->IsDayHeld(kTuesday));
    EXPECT_EQ(DayFile(kTuesday), "typed||||\r\n");
}

TEST_F(StoreTest, EveryUnreadableFileIsReported) {
    files.unreadable = {"thulist.ini", "tuelist.ini"};
    WriteDay(kTuesday, "t\r\n");
    WriteDay(kThursday, "h\r\n");
    WriteDay(kSunday, "s\r\n");
    const std::string both = "Cannot open file tuelist.ini.\nCannot open file thulist.ini";
    EXPECT_EQ(ErrorOf([&] { store->StartUp(); }), both);
    EXPECT_TRUE(store->IsDayHeld(kThursday));
    EXPECT_EQ(store->DayList(kSunday), (Lines{"s"}));
    EXPECT_EQ(ErrorOf([&] { store->LoadSchedule(); }), both);
    // A save names each file it left unwritten once.
    EXPECT_EQ(ErrorOf([&] { store->Save(); }), both);
}

TEST_F(StoreTest, EveryStartUpFailureIsReported) {
    files.failingName = "schedule.ini";
    files.failingStep = test::FaultyFiles::Step::Open;
    WriteDay(kMonday, "m\r\n");
    WriteDay(kFriday, "f|F|1|2|x\r\n");
    files.unreadable = {"monlist.ini"};
    try {
        store->StartUp();
        ADD_FAILURE() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.Messages(),
                  (Lines{"Cannot create file schedule.ini", "Cannot open file monlist.ini"}));
    }
    EXPECT_EQ(FilledRows(kFriday), (std::vector<std::string>{"1:f|F|1|2|x"}));
}

TEST_F(StoreTest, UnreadableFileAtReadBackIsHeld) {
    store->StartUp();
    SetRow(kMonday, 1, {"saved", "", "", "", ""});
    files.unreadable = {"monlist.ini"};
    EXPECT_EQ(ErrorOf([&] { store->Save(); }), "Cannot open file monlist.ini");
    EXPECT_EQ(DayFile(kMonday), "saved||||\r\n");
    EXPECT_TRUE(store->IsDayHeld(kMonday));
    // The blank page that the failed read-back left does not replace the file.
    EXPECT_EQ(ErrorOf([&] { store->Save(); }), "Cannot open file monlist.ini");
    EXPECT_EQ(DayFile(kMonday), "saved||||\r\n");
}

TEST_F(StoreTest, UnreadableSettingsFileIsNeverOverwritten) {
    const std::string oldSettings = "Script Delay (mSecs):\r\n250\r\nkeep\r\n";
    Write("schedule.ini", oldSettings);
    files.unreadable = {"schedule.ini"};
    WriteDay(kMonday, "m|M|1|1|m\r\n");
    EXPECT_EQ(ErrorOf([&] { store->StartUp(); }), "Cannot open file schedule.ini");
    EXPECT_EQ(store->ScriptDelay(), "");
    EXPECT_EQ(view.SpinText(), "");
    EXPECT_EQ(store->DayList(kMonday), (Lines{"m|M|1|1|m"}));
    SetRow(kMonday, 2, {"m2", "", "", "", ""});
    EXPECT_EQ(ErrorOf([&] { store->Save(); }), "Cannot open file schedule.ini");
    EXPECT_EQ(Read("schedule.ini"), oldSettings);
    EXPECT_EQ(DayFile(kMonday), "m|M|1|1|m\r\nm2||||\r\n");
    files.unreadable.clear(); // taken by the check that begins a save, and only then written
    store->Save();
    EXPECT_EQ(view.SpinText(), "250");
    EXPECT_EQ(Read("schedule.ini"), oldSettings);
    Restart();
    EXPECT_EQ(store->ScriptDelay(), "250");
}

#ifndef _WIN32
// A day file that may not be read is held; one that may not be written is
// not replaced by a save, although the directory would allow it.
TEST_F(StoreTest, FileWithoutReadPermission) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not stop root: schedule_permissions runs this as uid 65534";
    }
    WriteDay(kMonday, "m|M|1|1|m\r\n");
    WriteDay(kTuesday, "t|T|1|1|t\r\n");
    std::filesystem::permissions(dir / "monlist.ini", std::filesystem::perms::none);
    std::filesystem::permissions(dir / "tuelist.ini", std::filesystem::perms::owner_read);
    EXPECT_EQ(ErrorOf([&] { store->StartUp(); }),
              "Cannot open file monlist.ini: Permission denied");
    EXPECT_TRUE(store->IsDayHeld(kMonday));
    SetRow(kTuesday, 2, {"new", "", "", "", ""});
    EXPECT_EQ(ErrorOf([&] { store->Save(); }), "Cannot create file tuelist.ini");
    EXPECT_EQ(DayFile(kTuesday), "t|T|1|1|t\r\n");
}
#endif

} // namespace
} // namespace orvanel
