#include "app/windowhistory.h"

#include <optional>
#include <utility>

#include "history/nextdue.h"
#include "scheduler/minutes.h"

namespace orvanel {

namespace {

std::unique_ptr<history::HistoryWriter> MakeWriter(const std::filesystem::path& directory,
                                                   history::LogFiles* files) {
    return files ? std::make_unique<history::HistoryWriter>(directory, *files)
                 : std::make_unique<history::HistoryWriter>(directory);
}

} // namespace

WindowHistory::WindowHistory(const std::filesystem::path& directory,
                             history::DayListReader savedWeek, HistoryAccess access)
    : savedWeek_(std::move(savedWeek)),
      ownLog_(access.systemLog ? nullptr : history::MakePlatformSystemLog()),
      writer_(MakeWriter(directory, access.files)),
      recorder_(*writer_, access.systemLog ? *access.systemLog : *ownLog_),
      tick_(recorder_, savedWeek_), directory_(directory),
      nextTask_("Next task: " + history::DescribeNextTask(std::nullopt)) {
    recorder_.onRecord = [this](const history::HistoryLine& line) { Add(line); };
    tick_.onStatus = [this](const std::string& message) {
        if (onStatus) {
            onStatus(message);
        }
    };
}

void WindowHistory::Load() {
    std::vector<history::HistoryLine> latest = history::ReadLatestRecords(directory_);
    const std::size_t dropped = records_.size();
    records_.assign(std::make_move_iterator(latest.begin()), std::make_move_iterator(latest.end()));
    if (onRecords) {
        onRecords(records_.size(), dropped);
    }
}

bool WindowHistory::UpdateNextTask(const SystemTime& now, bool weekChanged) {
    const std::int64_t minute = CivilMinute(now);
    if (!weekChanged && nextFrom_ && minute >= *nextFrom_ && (!next_ || minute < next_->due)) {
        return false;
    }
    next_ = history::NextTaskDue(now, savedWeek_);
    nextFrom_ = minute;
    std::string text = "Next task: " + history::DescribeNextTask(next_);
    if (text == nextTask_) {
        return false;
    }
    nextTask_ = std::move(text);
    return true;
}

void WindowHistory::Add(const history::HistoryLine& line) {
    records_.push_front(line);
    std::size_t dropped = 0;
    while (records_.size() > history::kShownRecords) {
        records_.pop_back();
        ++dropped;
    }
    if (onRecords) {
        onRecords(1, dropped);
    }
}

} // namespace orvanel
