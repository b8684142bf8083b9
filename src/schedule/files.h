// File access of the schedule store: the stamp of a file (to tell whether it
// changed without reading it), reading a file whole, and replacing a file
// whole so that it holds either all of its old or all of its new bytes,
// whatever happens during the write (full disk, crash, kill, power loss).
//
// The store works on the real file system through this class. Tests derive
// from it to make single steps fail the way a full disk or a locked file does,
// which permissions alone cannot do for a process running as root.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <string_view>

#include "fileio/filecalls.h"

namespace orvanel {

class ScheduleFiles {
public:
    virtual ~ScheduleFiles() = default;

    using Stamp = fileio::FileStamp;

    enum class ReadResult {
        Ok,       // `content` holds every byte of the file
        Missing,  // nothing of that name, or a directory (or other non-file) of that name
        Failed,   // the file exists but could not be opened or read
        TooLarge, // the file is larger than the limit; nothing of it was read
    };
    struct Read {
        ReadResult result = ReadResult::Missing;
        Stamp stamp;   // of the file as it was opened (Ok, TooLarge)
        int error = 0; // Failed: the errno value (ENOMEM: out of memory), 0 if unknown
    };
    static constexpr std::uint64_t kNoLimit = std::numeric_limits<std::uint64_t>::max();

    // Reads the whole file at `path` into `content`, if it holds at most
    // `limit` bytes (also when it grows while it is read).
    virtual Read ReadWhole(const std::filesystem::path& path, std::string& content,
                           std::uint64_t limit = kNoLimit);

    // The stamp of the file at `path` (type Missing when there is none);
    // false when the file system would not tell.
    virtual bool GetStamp(const std::filesystem::path& path, Stamp& stamp);

    // The current time on the clock of the stamps' times, in nanoseconds
    // since 1970-01-01 00:00 UTC.
    virtual std::int64_t Now();

    // Replaces the file at `path` with one that holds exactly `content`:
    // writes a temporary file in the same directory, flushes it to the disk,
    // renames it over the old file and flushes the directory. Returns false
    // when any step fails; the old file (or its absence) is then left exactly
    // as it was and the temporary file is removed. A directory of that name,
    // and an existing file that this process may not write, make it fail.
    // When `path` is a symbolic link, the file it points to is replaced and
    // the link stays.
    virtual bool ReplaceWhole(const std::filesystem::path& path, std::string_view content);

protected:
    // The single system calls of ReplaceWhole, in the order it makes them, so
    // that a test can watch them or make one of them fail: write, sync,
    // close, rename and the sync of the directory (see fileio/filecalls.h).
    // Each returns what the call returns and sets errno on failure. The
    // directory sync comes after the rename has happened, so its failure is
    // not a failed replacement.
    virtual long WriteSome(int fd, const char* data, std::size_t size);
    virtual int SyncFile(int fd);
    virtual int CloseFile(int fd);
    virtual int RenameFile(const std::filesystem::path& from, const std::filesystem::path& to);
    virtual int SyncDirectory(const std::filesystem::path& directory);
};

} // namespace orvanel
