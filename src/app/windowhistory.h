// The run history as the main window shows it: the history file written for
// every run, malformed line and missed minute that the scheduler reports
// (Report()), the latest records (read from the file at start-up, growing as
// lines are written), the "Next task:" line and the "Last run:" line. Texts
// here are UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "desktop/desktop.h"
#include "history/nextdue.h"
#include "history/reader.h"
#include "history/recorder.h"
#include "history/tickhistory.h"
#include "history/writer.h"
#include "scheduler/report.h"

namespace orvanel {

// Where the history goes; null parts are the real ones: the file calls of the
// platform and the platform's system log. Given parts must outlive the
// history (tests pass a disk that fails and a log that keeps its messages).
struct HistoryAccess {
    history::LogFiles* files = nullptr;
    history::SystemLog* systemLog = nullptr;
};

class WindowHistory {
public:
    // "history.log" lives in `directory`; `savedWeek` reads the saved day
    // lists (for missed minutes and the next task).
    WindowHistory(const std::filesystem::path& directory, history::DayListReader savedWeek,
                  HistoryAccess access = {});

    // Where the scheduler's reports are recorded.
    SchedulerReport& Report() { return tick_; }

    // Reads the latest records of the history file (at start-up).
    void Load();

    // Works out the next task due after the minute of `now`; true when the
    // "Next task:" line changed. With `weekChanged` false the saved week is
    // the one of the last call, and the task found then still stands while
    // its minute lies ahead: nothing is read (the minute timer's case, so
    // that a long week costs its tick nothing more).
    bool UpdateNextTask(const SystemTime& now, bool weekChanged = true);

    // The latest records, newest first, at most history::kShownRecords.
    const std::deque<history::HistoryLine>& Records() const { return records_; }
    // "Next task: Tuesday 07:05, C:\app.exe, "Editor"" or "Next task: No task
    // is scheduled".
    const std::string& NextTaskText() const { return nextTask_; }
    // Whether the last record could not be written to the file.
    bool WriteFailing() const { return writer_->Failing(); }

    // Called after `added` records came at the front of Records() and
    // `dropped` old ones left its back.
    std::function<void(std::size_t added, std::size_t dropped)> onRecords;
    // Called with a message for the status line when the history cannot be
    // written: once when writing begins to fail, and again only after a
    // record has been written since.
    std::function<void(const std::string&)> onStatus;

private:
    void Add(const history::HistoryLine& line);

    history::DayListReader savedWeek_;
    std::optional<history::NextTask> next_;
    std::optional<std::int64_t> nextFrom_; // the civil minute it was worked out at
    std::unique_ptr<history::SystemLog> ownLog_;
    std::unique_ptr<history::HistoryWriter> writer_;
    history::HistoryRecorder recorder_;
    history::TickHistory tick_;
    std::filesystem::path directory_;
    std::deque<history::HistoryLine> records_;
    std::string nextTask_;
};

} // namespace orvanel
