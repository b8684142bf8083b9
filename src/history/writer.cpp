#include "history/writer.h"

#include <system_error>
#include <utility>

namespace orvanel::history {

namespace fs = std::filesystem;

namespace {

std::string Failure(const char* what, int error) {
    return std::string(what) + " " + kHistoryFileName + ": " +
           std::generic_category().message(error);
}

} // namespace

HistoryWriter::HistoryWriter(fs::path directory)
    : directory_(std::move(directory)), ownFiles_(std::make_unique<LogFiles>()),
      files_(*ownFiles_) {}

HistoryWriter::HistoryWriter(fs::path directory, LogFiles& files)
    : directory_(std::move(directory)), files_(files) {}

std::optional<std::string> HistoryWriter::Write(const HistoryLine& line) noexcept {
    try {
        return WriteLine(FormatHistoryLine(line));
    } catch (...) { // out of memory: the record is lost, the caller goes on
        const bool first = !failing_;
        failing_ = true;
        return first ? std::optional<std::string>(std::string("Cannot write file ") +
                                                  kHistoryFileName)
                     : std::nullopt;
    }
}

std::optional<std::string> HistoryWriter::WriteLine(const std::string& line) noexcept {
    std::string message;
    const bool wasFull = full_;
    try {
        message = Append(line);
    } catch (...) {
        message = std::string("Cannot write file ") + kHistoryFileName;
    }
    const bool first = !failing_ || (full_ && !wasFull);
    failing_ = !message.empty();
    if (failing_ && first) {
        return message;
    }
    return std::nullopt;
}

std::string HistoryWriter::Append(const std::string& line) {
    const fs::path current = FilePath();
    std::string message;
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(current, ec);
    full_ = false;
    if (!ec && size > 0 && size + line.size() > kMaxHistoryBytes) {
        const int error = files_.RenameFile(current, directory_ / kOldHistoryFileName);
        if (error != 0 && size + line.size() > 2 * kMaxHistoryBytes) {
            full_ = true;
            return std::string("Cannot write file ") + kHistoryFileName + ": it has reached " +
                   std::to_string(2 * kMaxHistoryBytes / (std::uintmax_t{1} << 20)) +
                   " MiB and cannot be renamed to " + kOldHistoryFileName + " (" +
                   std::generic_category().message(error) +
                   "); new records are dropped until it can be";
        }
        if (error != 0) {
            // The record still goes into the full file; the next one tries again.
            message = Failure("Cannot rename file", error);
        }
    }
    const int error = files_.Append(current, line);
    if (error != 0) {
        message = Failure("Cannot write file", error);
    }
    return message;
}

} // namespace orvanel::history
