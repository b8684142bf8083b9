// File access for store tests: the real file system, except that chosen files
// fail to read, or fail at a chosen step of their replacement, the way a
// locked file, a full disk or a failing disk does. Its clock runs ahead of
// the real one (by `clockAhead`), so that a file a test has just written
// counts as finished unless the test says otherwise.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <new>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "schedule/files.h"
#include "schedule/store.h"

namespace orvanel::test {

class FaultyFiles : public ScheduleFiles {
public:
    enum class Step { None, Open, Write, Sync, Rename };

    std::set<std::string> unreadable;   // bare names of existing files that fail to read
    std::set<std::string> outOfMemory;  // ...whose read throws std::bad_alloc
    std::string failingName;            // bare name whose replacement fails...
    Step failingStep = Step::None;      // ...at this step
    std::size_t bytesBeforeFailure = 0; // for Step::Write: bytes written before the disk is full
    std::int64_t clockAhead = 2 * kSettleNanoseconds;
    int reads = 0;
    int replacements = 0;
    // The system calls of every replacement, in order: "write", "sync file",
    // "close", "rename", "sync directory DIR".
    std::vector<std::string> calls;

    Read ReadWhole(const std::filesystem::path& path, std::string& content,
                   std::uint64_t limit) override {
        ++reads;
        std::error_code ec;
        const std::string name = path.filename().string();
        if (outOfMemory.count(name) != 0) {
            throw std::bad_alloc();
        }
        if (unreadable.count(name) != 0 && std::filesystem::is_regular_file(path, ec)) {
            content.clear();
            return Read{ReadResult::Failed, {}, 0};
        }
        return ScheduleFiles::ReadWhole(path, content, limit);
    }

    std::int64_t Now() override { return ScheduleFiles::Now() + clockAhead; }

    bool ReplaceWhole(const std::filesystem::path& path, std::string_view content) override {
        ++replacements;
        current_ = path.filename().string();
        written_ = 0;
        if (Failing(Step::Open)) {
            return false;
        }
        const bool ok = ScheduleFiles::ReplaceWhole(path, content);
        current_.clear();
        return ok;
    }

protected:
    long WriteSome(int fd, const char* data, std::size_t size) override {
        if (Failing(Step::Write)) {
            if (written_ >= bytesBeforeFailure) {
                errno = ENOSPC;
                return -1;
            }
            size = std::min(size, bytesBeforeFailure - written_);
        }
        calls.emplace_back("write");
        const long n = ScheduleFiles::WriteSome(fd, data, size);
        if (n > 0) {
            written_ += static_cast<std::size_t>(n);
        }
        return n;
    }
    int SyncFile(int fd) override {
        calls.emplace_back("sync file");
        if (Failing(Step::Sync)) {
            errno = EIO;
            return -1;
        }
        return ScheduleFiles::SyncFile(fd);
    }
    int CloseFile(int fd) override {
        calls.emplace_back("close");
        return ScheduleFiles::CloseFile(fd);
    }
    int RenameFile(const std::filesystem::path& from, const std::filesystem::path& to) override {
        calls.emplace_back("rename");
        if (Failing(Step::Rename)) {
            errno = EIO;
            return -1;
        }
        return ScheduleFiles::RenameFile(from, to);
    }
    int SyncDirectory(const std::filesystem::path& directory) override {
        calls.push_back("sync directory " + directory.filename().string());
        return ScheduleFiles::SyncDirectory(directory);
    }

private:
    bool Failing(Step step) const { return failingStep == step && current_ == failingName; }

    std::string current_;
    std::size_t written_ = 0;
};

} // namespace orvanel::test
