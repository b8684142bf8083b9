// The run history of the main window on a fake view: "Run now", the records
// and texts that the History page shows, and a history that cannot be written.
#include <cerrno>
#include <string>
#include <vector>

#include "formtest.h"

namespace orvanel::test {
namespace {

// The real file access, or a full disk while `full` is set.
class FullDisk : public history::LogFiles {
public:
    bool full = true;
    int Append(const std::filesystem::path& path, std::string_view data) override {
        return full ? ENOSPC : LogFiles::Append(path, data);
    }
};

void Row(MainView& view, int day, int row, const std::vector<std::string>& cells) {
    for (std::size_t c = 0; c < cells.size(); ++c) {
        view.SetCell(day, static_cast<int>(c), row, cells[c]);
    }
}

TEST_F(FormTest, RunNowRunsTheRowAsShownAndRecordsItDueNow) {
    MainForm& form = Start();
    desktop_.AddWindow("Editor");
    Row(*view_, 1, 2, {"app.exe", "Editor", "", "", "hi"}); // typed, never saved
    Row(*view_, 1, 3, {"", "Editor", "7", "5", "no"});
    desktop_.ClearRecord();
    view_->historyChanges.clear();

    form.RunNow(1, 3);
    EXPECT_TRUE(desktop_.Lines().empty());
    EXPECT_EQ(view_->statusTexts,
              std::vector<std::string>{"Row 3 of Tuesday has no EXE name: it is not a task, "
                                       "and nothing was run"});
    form.RunNow(1, 2);
    EXPECT_EQ(desktop_.Lines().front(), "find Editor = 1");
    EXPECT_EQ(Bytes("history.log"),
              "now\t2026-01-05T07:00:30+00:00\tTue\t2\ttyped\tapp.exe\tEditor\twindow found; 1 "
              "step, 4 key events; 0.0 s\r\n");
    EXPECT_EQ(view_->historyChanges, (std::vector<std::pair<std::size_t, std::size_t>>{{1, 0}}));
    ASSERT_EQ(form.HistoryRecords().size(), 1u);
    EXPECT_EQ(form.LastRunText(), "Last run: 7:00:30 AM, typed, Tue row 2, app.exe, "
                                  "\"Editor\": window found; 1 step, 4 key events; 0.0 s");
    EXPECT_EQ(systemLog_.messages.size(), 1u);
    EXPECT_TRUE(view_->boxes.empty());
    // While it ran, the status line named it (and no stop key: this desktop
    // cannot watch one); then it gave back what it said before.
    const std::string before =
        "Row 3 of Tuesday has no EXE name: it is not a task, and nothing was run";
    EXPECT_EQ(view_->statusTexts, (std::vector<std::string>{before, "Running \"Editor\"", before}));
    desktop_.SetStopKeyAvailable(true);
    form.RunNow(1, 2);
    EXPECT_EQ(view_->statusTexts.end()[-2],
              "Running \"Editor\": press Ctrl+Alt+Shift+S to stop it");
    // The last row runs as well; there is no row after it.
    Row(*view_, 1, 24, {"last.exe", "Editor", "", "", "hi"});
    form.RunNow(1, 25);
    EXPECT_EQ(form.HistoryRecords().front().row, "2");
    form.RunNow(1, 24);
    EXPECT_EQ(form.HistoryRecords().front().row, "24");
    EXPECT_EQ(form.HistoryRecords().front().exeName, "last.exe");

    // A layout that lacks characters: the run's detail and the status line
    // name them (and not what an earlier run left untold).
    desktop_.untyped = {1, "x"};
    desktop_.onSleep = [this](std::uint32_t) { desktop_.untyped = {3, "\xE9\xFC"}; };
    Row(*view_, 1, 4, {"app.exe", "Editor", "", "", "h{SLEEP 1}"});
    form.RunNow(1, 4);
    const std::string untyped = "3 characters not in the keyboard layout: \xC3\xA9 \xC3\xBC";
    EXPECT_EQ(view_->statusTexts.back(), untyped);
    EXPECT_EQ(Bytes("history.log").substr(Bytes("history.log").size() - untyped.size() - 2),
              untyped + "\r\n");
    // A run held back by a locked screen never began: no "Running" flashes
    // by, and the status line says why nothing ran.
    const std::size_t shown = view_->statusTexts.size();
    desktop_.SetInputBlock(InputBlock::ScreenLocked);
    form.RunNow(1, 2);
    EXPECT_EQ(view_->statusTexts.size(), shown + 1);
    EXPECT_EQ(view_->statusTexts.back(), "Row 2 of Tuesday: screen locked");
}

TEST_F(FormTest, ThePageReadsTheFileAtStartAndGrowsWithEveryRecord) {
    Write("history.log", "2026-01-04T09:00+00:00\t-\tSun\t1\tmissed\ta.exe\tA\tslept\r\n"
                         "2026-01-04T10:00+00:00\t-\tSun\t2\terror\tb.exe\tB\tbad\r\n"
                         "2026-01-04T11:00");                   // torn by a crash
    Write("monlist.ini", "a.exe|A|7|5|x\r\nb.exe|B|8|0|y\r\n"); // 2026-01-05 is a Monday
    MainForm& form = Start();
    ASSERT_EQ(form.HistoryRecords().size(), 2u);
    EXPECT_EQ(form.HistoryRecords().front().detail, "bad");
    EXPECT_EQ(form.NextTaskText(), "Next task: Monday 07:05, a.exe, \"A\"");

    desktop_.SetLocalTime(2026, 1, 5, 7, 5, 10);
    form.Timer1Timer();
    ASSERT_EQ(form.HistoryRecords().size(), 3u);
    // No window "A" came up after the start: nothing was typed.
    EXPECT_EQ(form.HistoryRecords().front().outcome, history::Outcome::Skipped);
    EXPECT_EQ(form.NextTaskText(), "Next task: Monday 08:00, b.exe, \"B\"");
    EXPECT_EQ(view_->historyChanges.back(), (std::pair<std::size_t, std::size_t>{0, 0}));
    // A saved edit is the next task at once, before any tick.
    Type(0, 3, 0, "c.exe");
    Type(0, 3, 1, "C");
    Type(0, 3, 2, "7");
    Type(0, 3, 3, "30");
    form.BitBtn2Click();
    EXPECT_EQ(form.NextTaskText(), "Next task: Monday 07:30, c.exe, \"C\"");
}

TEST_F(FormTest, AHistoryThatCannotBeWrittenIsSaidOnceAndStopsNoTask) {
    FullDisk disk;
    logFiles_ = &disk;
    Write("monlist.ini", "a.exe||7|1|x\r\na.exe||7|2|x\r\n");
    MainForm& form = Start();
    for (int minute = 1; minute <= 2; ++minute) {
        desktop_.SetLocalTime(2026, 1, 5, 7, minute, 0);
        form.Timer1Timer();
    }
    int started = 0;
    for (const std::string& line : desktop_.Lines()) {
        started += line.rfind("shell open a.exe", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(started, 2);
    // Said once: the status line gives it back after each task run's own text.
    std::vector<std::string> said;
    for (const std::string& text : view_->statusTexts) {
        if (text.rfind("Running ", 0) != 0 && (said.empty() || said.back() != text)) {
            said.push_back(text);
        }
    }
    ASSERT_EQ(said.size(), 2u);
    EXPECT_EQ(said[0], kStatusText);
    EXPECT_EQ(said[1].rfind("Cannot write file history.log", 0), 0u);
    EXPECT_TRUE(view_->boxes.empty());
    EXPECT_EQ(form.HistoryRecords().size(), 2u) << "the page shows what the file could not take";
}

} // namespace
} // namespace orvanel::test
