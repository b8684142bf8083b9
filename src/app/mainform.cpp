#include "app/mainform.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "app/datetimetext.h"
#include "app/diskchangetext.h"
#include "app/windowtexts.h"
#include "desktop/untypedtext.h"
#include "history/encoding.h"
#include "schedule/error.h"
#include "schedule/task.h"
#include "schedule/taskline.h"

namespace orvanel {

namespace {

// The saved week as the history reads it; empty days before start-up and
// after the close.
history::DayListReader SavedWeek(const ScheduleStore& store) {
    return [&store](int day) -> const std::vector<std::string>& {
        static const std::vector<std::string> none;
        return store.HasLists() ? store.DayList(day) : none;
    };
}

// Sets a flag for as long as it lives.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
};

std::string RowName(int day, int row) {
    return "Row " + std::to_string(row) + " of " +
           kPageCaptions.at(static_cast<std::size_t>(day) + 1);
}

// Why a run by hand typed nothing, or not all: "the program could not be
// started (shell answer 2)".
std::string RunFailure(const TaskRun& result) {
    std::string text = SkipText(result);
    if (result.skipped == SkipReason::StartFailed && result.startFailure) {
        text += " (shell answer " + std::to_string(*result.startFailure) + ")";
    }
    return text;
}

// The locale's texts as the History page shows them, in UTF-8.
LocaleInfo Utf8Locale(const LocaleInfo& locale, const MainView& view) {
    LocaleInfo utf8 = locale;
    for (std::string* text : {&utf8.shortDateFormat, &utf8.dateSeparator, &utf8.longTimeFormat,
                              &utf8.timeSeparator, &utf8.amDesignator, &utf8.pmDesignator}) {
        *text = view.LocaleTextToUtf8(*text);
    }
    for (std::string& name : utf8.abbreviatedDayNames) {
        name = view.LocaleTextToUtf8(name);
    }
    return utf8;
}

// The folder of the files as an absolute path, as the session-start entry
// names it; empty when the working directory cannot be found.
std::filesystem::path DataFolder(const std::filesystem::path& directory) {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::absolute(directory, error);
    if (error) {
        return {};
    }
    folder = folder.lexically_normal();
    if (!folder.has_filename() && folder.has_relative_path()) {
        folder = folder.parent_path(); // no final separator
    }
    return folder;
}

} // namespace

MainForm::MainForm(MainView& view, DesktopServices& desktop, HistoryAccess history)
    : view_(view), desktop_(desktop), locale_(desktop.GetLocaleInfoA()), keys_(desktop),
      store_(view), scheduler_(keys_, store_), history_(".", SavedWeek(store_), history) {
    ConnectHistory();
}

MainForm::MainForm(MainView& view, DesktopServices& desktop, const std::filesystem::path& directory,
                   ScheduleFiles& files, HistoryAccess history)
    : view_(view), desktop_(desktop), locale_(desktop.GetLocaleInfoA()), keys_(desktop),
      store_(view, directory, files), scheduler_(keys_, store_),
      history_(directory, SavedWeek(store_), history), directory_(directory) {
    ConnectHistory();
}

void MainForm::ConnectHistory() {
    scheduler_.SetReport(this);
    history_.onStatus = [this](const std::string& message) {
        status_.Show(message, StatusLine::Cause::HistoryWrite);
    };
    history_.onRecords = [this](std::size_t added, std::size_t dropped) {
        const auto [rowsAdded, rowsDropped] = table_.RecordsChanged(added, dropped);
        view_.HistoryChanged(rowsAdded, rowsDropped);
        if (!history_.WriteFailing()) {
            status_.End(StatusLine::Cause::HistoryWrite);
        }
    };
}

// ---- The scheduler's report ----

void MainForm::RunBegins(const TaskLine& task, bool stopKeyWatched) {
    const std::string& name = task.windowTitle.empty() ? task.exeName : task.windowTitle;
    status_.RunBegins(
        "Running \"" + name + "\"" +
        (stopKeyWatched ? std::string(": press ") + kStopKeyText + " to stop it" : ""));
    running_ = true;
}

void MainForm::RunEnded(const TaskRun& run) {
    // A run held back by a locked screen never began, and the status line
    // stays; characters that were not typed stay in view until the next news.
    if (running_) {
        status_.RunEnds();
    }
    running_ = false;
    if (run.untyped.count != 0) {
        status_.Show(history::FieldText(UntypedText(run.untyped)));
    }
    history_.Report().RunEnded(run);
}

void MainForm::LineFailed(const LineError& error) {
    history_.Report().LineFailed(error);
}

void MainForm::Missed(std::int64_t first, std::int64_t last) {
    history_.Report().Missed(first, last);
}

void MainForm::SetOwner(WindowHandle owner) {
    owner_ = owner;
    scheduler_.SetOwner(owner);
}

// ---- Error reports ----

template <class Work> void MainForm::Run(Work&& work) {
    ++depth_;
    try {
        std::forward<Work>(work)();
    } catch (const std::exception& error) {
        Report(error.what());
    } catch (...) {
        Report("Unknown error");
    }
    --depth_;
    if (depth_ == 0) {
        ShowWaitingBoxes();
    }
}

void MainForm::Report(const std::string& message) {
    std::string text = message + ".";
    if (std::find(reported_.begin(), reported_.end(), text) != reported_.end()) {
        return; // its box is open, or about to open, already
    }
    reported_.push_back(text);
    waiting_.push_back(std::move(text));
}

void MainForm::ShowWaitingBoxes() {
    // A view whose box runs its own event loop may call a handler meanwhile;
    // what that one reports waits for this box to close.
    if (showingBox_) {
        return;
    }
    showingBox_ = true;
    while (!waiting_.empty()) {
        const std::string text = std::move(waiting_.front());
        waiting_.pop_front();
        try {
            view_.ShowErrorBox(text);
        } catch (...) {
            // A box that cannot be shown cannot be reported either.
            ErrorBoxClosed(text);
        }
    }
    showingBox_ = false;
}

void MainForm::ErrorBoxClosed(const std::string& cp1252Text) {
    const auto open = std::find(reported_.begin(), reported_.end(), cp1252Text);
    if (open != reported_.end()) {
        reported_.erase(open);
    }
}

// ---- Handlers ----

void MainForm::FormCreate() {
    firstActivation_ = true;
    Run([this] {
        for (int day = 0; day < kDayCount; ++day) {
            for (int column = 0; column < kGridColumns; ++column) {
                const auto c = static_cast<std::size_t>(column);
                view_.SetCell(day, column, 0, kColumnCaptions[c]);
                view_.SetColumnWidth(day, column, kColumnWidths[c]);
            }
        }
    });
    // The mark of the last examined minute is set before the timer starts:
    // the minute in which the program starts is not examined, and a minute
    // that begins while the files are read is examined by the first tick.
    Run([this] {
        scheduler_.Start();
        view_.StartTimer(kTimerInterval);
    });
    Run([this] {
        view_.SetManualCaption(kManualCaption);
        store_.StartUp();
    });
    Run([this] {
        table_.SetLocale(Utf8Locale(locale_, view_));
        table_.SetToday(desktop_.GetLocalTime());
        history_.Load();
        UpdateNextTask();
    });
    ShowAutostart();
}

void MainForm::UpdateNextTask(bool weekChanged) {
    if (history_.UpdateNextTask(desktop_.GetLocalTime(), weekChanged)) {
        view_.HistoryChanged(0, 0);
    }
}

void MainForm::UpdateToday() {
    if (table_.SetToday(desktop_.GetLocalTime())) {
        view_.HistoryChanged(0, 0);
    }
}

void MainForm::RunNow(int day, int row) {
    Run([this, day, row] {
        if (day < 0 || day >= kDayCount || row < 1 || row > kTaskRows) {
            return;
        }
        // The same rule as saving: a row with an empty EXE name cell is no task.
        if (view_.Cell(day, kExeNameField, row).empty()) {
            status_.Show(RowName(day, row) + " has no EXE name: it is not a task, and "
                                             "nothing was run",
                         StatusLine::Cause::EmptyRow, day, row);
            return;
        }
        const TaskLine task =
            ParseTaskLine(RowLine(view_, day, row), static_cast<std::size_t>(row));
        const std::optional<TaskRun> result = scheduler_.RunNow(day, task);
        if (!result) {
            status_.Show(RowName(day, row) + " was not run: another task is running",
                         StatusLine::Cause::AnotherRun);
        } else if (result->skipped != SkipReason::NotSkipped) {
            status_.Show(RowName(day, row) + ": " + RunFailure(*result));
        }
    });
}

void MainForm::GridEdited(int day) {
    Run([this, day] {
        const StatusLine::Message& message = status_.Current();
        if (message.cause == StatusLine::Cause::EmptyRow && message.day == day &&
            !view_.Cell(day, kExeNameField, message.row).empty()) {
            status_.End(StatusLine::Cause::EmptyRow, day, message.row);
        }
    });
}

void MainForm::HistoryFilterClick(bool problemsOnly) {
    Run([this, problemsOnly] {
        const std::size_t before = table_.RowCount();
        if (table_.SetProblemsOnly(problemsOnly)) {
            view_.HistoryChanged(table_.RowCount(), before); // every row anew
        }
    });
}

void MainForm::ReloadChangedFiles() {
    Run([this] {
        if (scheduler_.Busy() || saving_) {
            return;
        }
        ShowDiskChanges(store_.ReloadChangedFiles());
    });
}

void MainForm::ShowDiskChanges(const DiskChanges& changes) {
    if (changes.Any()) {
        status_.Show(DiskChangesText(changes));
        UpdateNextTask();
    }
}

void MainForm::FormActivate() {
    ReloadChangedFiles();
    Run([this] {
        if (firstActivation_) {
            firstActivation_ = false;
            view_.SetDateText(DateTimeText(desktop_.GetLocalTime(), locale_));
        }
        UpdateToday();
    });
    ShowAutostart(); // the entry may have been changed meanwhile
}

// ---- Starting with the session ----

void MainForm::ShowAutostart() {
    // Asked at every activation: a failure here is not reported, or its box
    // would come back each time the window is activated again.
    try {
        const std::filesystem::path folder = DataFolder(directory_);
        view_.SetAutostartChecked(!folder.empty() && desktop_.AutostartEnabled(folder));
    } catch (...) {
        // the box keeps what it showed
    }
}

void MainForm::AutostartClick(bool checked) {
    Run([this, checked] {
        const std::filesystem::path folder = DataFolder(directory_);
        const std::string error = folder.empty() ? "Cannot find the working directory"
                                                 : desktop_.SetAutostart(checked, folder);
        ShowAutostart();
        if (!error.empty()) {
            throw Error(error);
        }
    });
}

void MainForm::FormClose() {
    Run([this] {
        view_.StopTimer();
        store_.Release();
    });
}

void MainForm::BitBtn1Click() {
    Run([this] { scheduler_.TestFirstTuesdayLine(); });
}

void MainForm::BitBtn2Click() {
    Run([this] {
        // While a question is open, the checks of ticks and activations wait:
        // the save decides what becomes of the changed files.
        const FlagScope saving(saving_);
        DiskChanges changes;
        ErrorList errors;
        errors.Run([&] {
            store_.Save(
                [this](const std::string& name) {
                    return view_.AskQuestion(OverwriteQuestionText(name));
                },
                &changes);
        });
        if (errors.Empty()) {
            status_.Saved(); // what the messages told of has been saved
        }
        ShowDiskChanges(changes);
        errors.ThrowIfAny();
    });
    Run([this] { UpdateNextTask(); });
}

void MainForm::Timer1Timer() {
    ReloadChangedFiles();
    Run([this] {
        view_.SetDateText(DateTimeText(desktop_.GetLocalTime(), locale_));
        scheduler_.Tick();
    });
    Run([this] {
        UpdateNextTask(false); // the tick changed no list
        UpdateToday();
    });
}

void MainForm::Label9Click() {
    Run([this] {
        desktop_.ShellExecuteA(owner_, kShellVerb, kVendorAddress, nullptr, nullptr, kShowNormal);
    });
}

void MainForm::Label10Click() {
    Run([this] {
        desktop_.ShellExecuteA(owner_, kShellVerb, kManualFileName, nullptr, nullptr, kShowNormal);
    });
}

void MainForm::Label9MouseMove() {
    Run([this] { view_.SetLinkColour(Link::Site, LinkColour::Red); });
}

void MainForm::Label10MouseMove() {
    Run([this] { view_.SetLinkColour(Link::Manual, LinkColour::Red); });
}

void MainForm::TabSheet1MouseMove() {
    Run([this] {
        view_.SetLinkColour(Link::Site, LinkColour::Blue);
        view_.SetLinkColour(Link::Manual, LinkColour::Blue);
    });
}

void MainForm::Label5MouseMove() {
    TabSheet1MouseMove();
}

} // namespace orvanel
