// The history writer: appends run records to "history.log" in a directory.
//
// Every record is appended with one write and flushed to the disk before
// Write returns, so a crash costs at most the record being written. Before a
// record would take the file past kMaxHistoryBytes, the file is renamed to
// "history.log.1" (replacing an older one) and a new file is started. While
// that rename fails (say "history.log.1" is a directory), records still go
// into the full file up to twice that size, and are then dropped, so that
// the file never grows without limit.
//
// Writing never throws into the caller and never stops a task or the tick: a
// failure is reported once, as a message for the status line, and the next
// record tries again.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "history/logfile.h"
#include "history/record.h"

namespace orvanel::history {

constexpr const char* kHistoryFileName = "history.log";
constexpr const char* kOldHistoryFileName = "history.log.1";
constexpr std::uintmax_t kMaxHistoryBytes = std::uintmax_t{1024} * 1024;

class HistoryWriter {
public:
    explicit HistoryWriter(std::filesystem::path directory = ".");
    // The same with the file access given; `files` must outlive the writer.
    HistoryWriter(std::filesystem::path directory, LogFiles& files);

    // Appends the record's line. Returns a message such as "Cannot write file
    // history.log: No space left on device" when this write failed and the one
    // before did not (or this is the first); otherwise none. A record that
    // was written although the full file could not be renamed aside reports
    // "Cannot rename file history.log" the same way; the first record dropped
    // because the file has reached twice the limit is reported once more.
    std::optional<std::string> Write(const HistoryLine& line) noexcept;

    // Appends a line as it stands (CR LF included); the same reporting.
    std::optional<std::string> WriteLine(const std::string& line) noexcept;

    // Whether the last write failed.
    bool Failing() const { return failing_; }

    std::filesystem::path FilePath() const { return directory_ / kHistoryFileName; }

private:
    // The message of a failed write or rename, or an empty text.
    std::string Append(const std::string& line);

    std::filesystem::path directory_;
    std::unique_ptr<LogFiles> ownFiles_;
    LogFiles& files_;
    bool failing_ = false;
    bool full_ = false; // the last record was dropped: the file is full and cannot be rotated
};

} // namespace orvanel::history
