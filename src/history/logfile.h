// File access of the history writer: appending one record to the end of a
// file and renaming the full file aside, on every platform.
//
// Tests derive from this class to make single system calls fail the way a
// full or failing disk does.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string_view>

namespace orvanel::history {

class LogFiles {
public:
    virtual ~LogFiles() = default;

    // Appends `data` to the file at `path` with one write and flushes it to
    // the disk; creates the file (mode 0600 on POSIX) when it is missing.
    // When the file does not end in a line end (a record torn by a crash),
    // CR LF is written first, so that the new record starts a line of its
    // own. When the write fails, the file is cut back to its old length.
    // Returns 0, or the errno value of the failure.
    virtual int Append(const std::filesystem::path& path, std::string_view data);

    // Renames `from` to `to`, replacing `to`. Returns 0 or an errno value.
    virtual int RenameFile(const std::filesystem::path& from, const std::filesystem::path& to);

protected:
    // The single calls of Append: write and sync (see fileio/filecalls.h),
    // returning what they return and setting errno.
    virtual long WriteSome(int fd, const char* data, std::size_t size);
    virtual int SyncFile(int fd);
};

} // namespace orvanel::history
