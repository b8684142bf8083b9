// The status line tells the truth, and the History page reads as the user
// expects: messages leave once they are no longer true, a failed "Run now"
// says so, the next task follows the tick's rule, and the table shows local
// times and the problems only when asked.
#include <array>
#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include "app/historytable.h"
#include "formtest.h"

namespace orvanel::test {
namespace {

class SwitchedDisk : public history::LogFiles {
public:
    bool full = true;
    int Append(const std::filesystem::path& path, std::string_view data) override {
        return full ? ENOSPC : LogFiles::Append(path, data);
    }
};

bool StartsWith(const std::string& text, const std::string& start) {
    return text.rfind(start, 0) == 0;
}

TEST_F(FormTest, StatusMessagesLeaveAtTheNextMessageASaveOrTheEndOfTheirCause) {
    SwitchedDisk disk;
    logFiles_ = &disk;
    MainForm& form = Start();
    desktop_.AddWindow("Editor");
    const std::string reminder = kStatusText;
    const std::string noExe = "Row 3 of Wednesday has no EXE name";
    const struct {
        const char* what;
        std::function<void()> act;
        std::string shown; // the start of the status text after it
    } steps[] = {
        {"Run now of an empty row", [&] { form.RunNow(2, 3); }, noExe},
        {"another row gets an EXE name",
         [&] {
             Type(2, 4, 0, "x.exe");
             form.GridEdited(2);
         },
         noExe},
        {"the row gets one", [&] { Type(2, 3, 0, "y.exe"), form.GridEdited(2); }, reminder},
        {"Run now of another empty row", [&] { form.RunNow(2, 5); }, "Row 5 of Wednesday"},
        {"a save", [&] { form.BitBtn2Click(); }, reminder},
        {"files changed on disk under unsaved edits",
         [&] {
             Type(0, 1, 4, "typed here");
             Write("monlist.ini", "new.exe||9|0|\r\n");
             form.FormActivate();
         },
         "The schedule files changed on disk"},
        {"the edits kept: not saved over the file", [&] { form.BitBtn2Click(); },
         "Not saved, as you answered: monlist.ini"},
        {"the edits saved over it",
         [&] {
             view_->answer = true;
             form.BitBtn2Click();
         },
         reminder},
        {"a run whose record cannot be written",
         [&] {
             Type(1, 1, 0, "app.exe");
             Type(1, 1, 1, "Editor");
             form.RunNow(1, 1);
         },
         "Cannot write file history.log"},
        {"an empty row meanwhile", [&] { form.RunNow(1, 2); }, "Row 2 of Tuesday"},
        {"the history written again",
         [&] {
             disk.full = false;
             form.RunNow(1, 1);
         },
         "Row 2 of Tuesday"},
        {"a save", [&] { form.BitBtn2Click(); }, reminder},
    };
    for (const auto& step : steps) {
        step.act();
        EXPECT_TRUE(StartsWith(form.StatusText(), step.shown))
            << step.what << ": " << form.StatusText();
        EXPECT_EQ(view_->statusTexts.back(), form.StatusText()) << step.what;
    }
    // The history that can be written again ends its own message.
    disk.full = true;
    form.RunNow(1, 1);
    EXPECT_TRUE(StartsWith(form.StatusText(), "Cannot write file history.log"));
    disk.full = false;
    form.RunNow(1, 1);
    EXPECT_EQ(form.StatusText(), reminder);
}

TEST_F(FormTest, AFailedRunNowSaysWhy) {
    MainForm& form = Start();
    desktop_.SetShellAnswer(2);
    Type(2, 2, 0, "/no/such/program");
    Type(2, 2, 4, "hello");
    form.RunNow(2, 2);
    EXPECT_EQ(form.StatusText(),
              "Row 2 of Wednesday: the program could not be started (shell answer 2)");
    EXPECT_EQ(form.HistoryRecords().front().outcome, history::Outcome::Skipped);
}

TEST_F(FormTest, NextTaskFollowsTheTicksRuleForMalformedLines) {
    desktop_.SetLocalTime(2026, 1, 7, 9, 0, 0); // a Wednesday
    Write("thulist.ini", "thu.exe|Thu|8|0|\r\n");
    const struct {
        const char* wednesday;
        const char* next;
    } cases[] = {
        // The tick stops at row 1 and never reaches 13:37.
        {"/bin/true||1x|5|\r\nlate.exe|Late|13|37|\r\n", "Next task: Thursday 08:00, thu.exe"},
        {"late.exe|Late|13|37|\r\n/bin/true||1x|5|\r\n", "Next task: Wednesday 13:37, late.exe"},
        // Out of range is no error: the line is passed over.
        {"/bin/true||25|5|\r\nlate.exe|Late|13|37|\r\n", "Next task: Wednesday 13:37, late.exe"},
    };
    for (const auto& c : cases) {
        Write("wedlist.ini", c.wednesday);
        EXPECT_TRUE(StartsWith(Start().NextTaskText(), c.next))
            << c.wednesday << form_->NextTaskText();
    }
}

TEST_F(FormTest, HistoryTimesAreLocalAndShortAndTheFilterShowsTheProblems) {
    Write("history.log", "2026-01-04T17:00+00:00\t-\tSun\t2\tmissed\tb.exe\tB\tslept\r\n"
                         "2026-01-05T08:30+01:00\t2026-01-05T08:30:02+01:00\tMon\t1\ttyped\t"
                         "a.exe\tA\twindow found\r\n"
                         "now\t2026-01-05T07:00:10+00:00\tMon\t3\tskipped\tc.exe\tC\tlocked\r\n");
    MainForm& form = Start(); // Monday 2026-01-05, UTC
    const HistoryTable& table = form.History();
    ASSERT_EQ(table.RowCount(), 3u);
    const struct {
        std::size_t row, column;
        const char* text;
        const char* tip;
    } cells[] = {
        {0, kDueColumn, "now", ""},
        {0, kStartedColumn, "7:00:10 AM", "2026-01-05T07:00:10+00:00"},
        {1, kDueColumn, "7:30 AM", "2026-01-05T08:30+01:00"}, // in the zone of today
        {2, kDueColumn, "Sun 1/4/2026 5:00 PM", "2026-01-04T17:00+00:00"},
        {2, kStartedColumn, "-", ""},
        {2, kDetailColumn, "slept", ""},
    };
    for (const auto& c : cells) {
        EXPECT_EQ(table.CellText(c.row, c.column), c.text) << c.row << "," << c.column;
        EXPECT_EQ(table.CellTip(c.row, c.column), c.tip) << c.row << "," << c.column;
    }
    EXPECT_EQ(form.LastRunText(), "Last run: 7:00:10 AM, skipped, Mon row 3, c.exe, \"C\": locked");

    view_->historyChanges.clear();
    form.HistoryFilterClick(true);
    ASSERT_EQ(table.RowCount(), 2u);
    EXPECT_EQ(table.RowDetail(1), "slept");
    // A typed run comes in: no new row; a skipped one: a row at the top.
    desktop_.AddWindow("A");
    Type(0, 1, 0, "a.exe");
    Type(0, 1, 1, "A");
    form.RunNow(0, 1);
    desktop_.SetShellAnswer(2);
    Type(0, 2, 0, "none.exe");
    Type(0, 2, 4, "x");
    form.RunNow(0, 2);
    EXPECT_EQ(view_->historyChanges,
              (std::vector<std::pair<std::size_t, std::size_t>>{{2, 3}, {0, 0}, {1, 0}}));
    EXPECT_EQ(table.Row(0).exeName, "none.exe");
    form.HistoryFilterClick(false);
    EXPECT_EQ(table.RowCount(), 5u);

    // Columns as wide as their content; the EXE name and Window Title give
    // way, down to a limit, so that the Detail column keeps some width.
    const std::array<int, 8> content = {60, 70, 30, 30, 50, 200, 150, 999};
    const struct {
        int available, dpi;
        std::array<int, 8> widths;
    } layouts[] = {
        {800, 96, {60, 70, 30, 30, 50, 160, 150, 250}},
        {500, 96, {60, 70, 30, 30, 50, 70, 70, 120}},
        {300, 96, {60, 70, 30, 30, 50, 60, 60, 120}},
        {800, 144, {60, 70, 30, 30, 50, 200, 150, 210}},
    };
    for (const auto& l : layouts) {
        EXPECT_EQ(HistoryColumnWidths(content, l.available, l.dpi), l.widths)
            << l.available << " at " << l.dpi;
    }

    const struct {
        const char* picture;
        const char* without;
    } pictures[] = {
        {"h:mm:ss tt", "h:mm tt"}, {"HH:mm:ss", "HH:mm"}, {"H.mm.ss' Uhr'", "H.mm' Uhr'"}};
    for (const auto& p : pictures) {
        EXPECT_EQ(WithoutSeconds(p.picture), p.without);
    }
}

} // namespace
} // namespace orvanel::test
