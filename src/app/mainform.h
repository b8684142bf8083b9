// The window logic of the main window `dc`, apart from any toolkit: start-up,
// the first activation and the date label, the minute tick, "Save Data", the
// hidden "Test" button, the links, the error box, the close, the run history
// and "Run now". It owns the schedule store, the scheduler and the history,
// and talks to the window only through a MainView; the view forwards each
// event to the handler of the same name. It is the scheduler's report: it
// shows the task that runs on the status line and passes every report on to
// the history.
//
// Every handler runs guarded: an error ends the handler and is reported in
// the error box, and no exception leaves it. Reports are shown once the
// outermost running handler has returned (a handler can run inside another
// one, for instance a timer event let through while a task waits), one box
// at a time, and a message whose box is open or waiting to open is not
// reported a second time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "app/historytable.h"
#include "app/mainview.h"
#include "app/statusline.h"
#include "app/windowhistory.h"
#include "app/windowtexts.h"
#include "desktop/desktop.h"
#include "keys/keyoutput.h"
#include "schedule/files.h"
#include "schedule/store.h"
#include "scheduler/scheduler.h"

namespace orvanel {

class MainForm : private SchedulerReport {
public:
    // The files live in the working directory. `view` and `desktop` must
    // outlive the form. Reads the locale; touches neither the view nor the
    // files until FormCreate. The history goes to "history.log" beside the
    // files and to the system log (see HistoryAccess for tests).
    MainForm(MainView& view, DesktopServices& desktop, HistoryAccess history = {});
    // The same with the files in `directory`, accessed through `files`
    // (tests pass one that fails on demand); `files` must outlive the form.
    MainForm(MainView& view, DesktopServices& desktop, const std::filesystem::path& directory,
             ScheduleFiles& files, HistoryAccess history = {});

    MainForm(const MainForm&) = delete;
    MainForm& operator=(const MainForm&) = delete;

    // The window, handed to the shell as the owner of what it opens.
    void SetOwner(WindowHandle owner);

    // ---- Handlers ----

    // The window has been created: the day grids' header rows, the minute
    // timer, the documentation link's caption, then the files read into the
    // lists and the grids. A failure to read or create a file is reported
    // once everything that can be loaded has been.
    void FormCreate();
    // The window becomes active; the first time, the date label is filled.
    // Every time, files changed on disk are taken in (see ReloadChangedFiles).
    void FormActivate();
    // The window closes: the timer stops and the lists are freed. Nothing is
    // saved.
    void FormClose();
    void BitBtn1Click(); // "Test": runs the first Tuesday line
    void BitBtn2Click(); // "Save Data", asking before it overwrites files changed on disk
    void Timer1Timer();  // files changed on disk, the date label, then the minute tick
    void Label9Click();  // opens the vendor's web site
    void Label10Click(); // opens "schedule.html"
    void Label9MouseMove();
    void Label10MouseMove();
    void TabSheet1MouseMove();
    void Label5MouseMove();

    // The view's report that the error box showing this text has been closed.
    void ErrorBoxClosed(const std::string& cp1252Text);

    // "Run now" (a day grid row's context menu, Ctrl+R): task row `row` (1 to
    // 24) of day `day` (0 Monday to 6 Sunday) as the grid shows it, saved or
    // not, run exactly as a due task runs and recorded with due "now". A row
    // without an EXE name is not a task: the status line says so and nothing
    // runs; so it does while another run or tick is in progress.
    void RunNow(int day, int row);

    // The user has changed cells of day grid `day` (0 Monday to 6 Sunday): a
    // status message about one of its rows may no longer be true.
    void GridEdited(int day);

    // The History page's filter: all runs, or only the problems.
    void HistoryFilterClick(bool problemsOnly);

    // "Start Orvanel when I log in" clicked to `checked`: the desktop's
    // session-start entry for this program and this data folder is written
    // or removed. The box then shows whether the entry is there; a failure is
    // reported in the error box.
    void AutostartClick(bool checked);

    // ---- State ----
    const LocaleInfo& Locale() const { return locale_; }
    const ScheduleStore& Store() const { return store_; }
    Scheduler& TheScheduler() { return scheduler_; }
    bool FirstActivation() const { return firstActivation_; }
    // Whether a handler is running.
    bool InHandler() const { return depth_ > 0; }
    // The texts of the error boxes open or waiting to open, oldest first.
    const std::vector<std::string>& ReportedErrors() const { return reported_; }

    // What the status line shows.
    const std::string& StatusText() const { return status_.Text(); }

    // ---- The History page (texts in UTF-8) ----
    // The latest records, newest first: read at start-up, growing as records
    // are written.
    const std::deque<history::HistoryLine>& HistoryRecords() const { return history_.Records(); }
    // The rows of the page's table (MainView::HistoryChanged tells the view
    // what changed).
    const HistoryTable& History() const { return table_; }
    const std::string& NextTaskText() const { return history_.NextTaskText(); }
    std::string LastRunText() const { return table_.LastRunText(); }

private:
    // Runs the work of one handler; an error it raises is reported.
    template <class Work> void Run(Work&& work);
    void Report(const std::string& message);
    void ShowWaitingBoxes();
    void ConnectHistory();
    // The "Next task" line; `weekChanged` false: the saved week is unchanged
    // since the last call.
    void UpdateNextTask(bool weekChanged = true);
    // The clock's day for the History page's times; a new day shows them again.
    void UpdateToday();
    // Shows in the check box whether the session starts this program here.
    void ShowAutostart();

    // ---- SchedulerReport ----
    // The status line while a task runs: what runs and, when it is watched,
    // the stop key; given back when the run ends.
    void RunBegins(const TaskLine& task, bool stopKeyWatched) override;
    void RunEnded(const TaskRun& run) override;
    void LineFailed(const LineError& error) override;
    void Missed(std::int64_t first, std::int64_t last) override;

    // Takes in the schedule files that another program changed on disk, so
    // that due tasks come from the files; the status line says what changed
    // and whether unsaved edits stay on screen. Not while a task runs: the
    // running tick reads the day lists.
    void ReloadChangedFiles();
    // The status line names what a check found, if anything.
    void ShowDiskChanges(const DiskChanges& changes);

    MainView& view_;
    DesktopServices& desktop_;
    LocaleInfo locale_; // read once, at start-up
    KeyOutput keys_;
    ScheduleStore store_;
    Scheduler scheduler_;
    WindowHistory history_;
    HistoryTable table_{history_.Records()};
    StatusLine status_{view_};
    std::filesystem::path directory_ = ".";
    WindowHandle owner_ = kNoWindow;
    bool running_ = false; // between RunBegins and RunEnded
    bool firstActivation_ = false;
    int depth_ = 0;                     // handlers running, one inside another
    bool showingBox_ = false;           // inside MainView::ShowErrorBox
    bool saving_ = false;               // "Save Data" is running (and may be asking)
    std::vector<std::string> reported_; // open or waiting
    std::deque<std::string> waiting_;   // reported, not yet shown
};

} // namespace orvanel
