// File access of the schedule store: reading a file whole, and replacing a
// file whole so that it holds either all of its old or all of its new bytes,
// whatever happens during the write (full disk, crash, kill, power loss).
//
// The store works on the real file system through this class. Tests derive
// from it to make single steps fail the way a full disk or a locked file does,
// which permissions alone cannot do for a process running as root.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace orvanel {

class ScheduleFiles {
public:
    virtual ~ScheduleFiles() = default;

    enum class ReadResult {
        Ok,      // `content` holds every byte of the file
        Missing, // nothing of that name, or a directory (or other non-file) of that name
        Failed,  // the file exists but could not be opened or read
    };

    // Reads the whole file at `path` into `content`.
    virtual ReadResult ReadWhole(const std::filesystem::path& path, std::string& content);

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
    // that a test can watch them or make one of them fail: write(), fsync(),
    // close(), rename() and the fsync() of the directory (on Windows _write(),
    // _commit(), _close(), MoveFileEx() with write-through, and nothing for the
    // directory). Each returns what write() or fsync() would, 0 or -1 for the
    // others, and sets errno on failure. The directory sync comes after the
    // rename has happened, so its failure is not a failed replacement.
    virtual long WriteSome(int fd, const char* data, std::size_t size);
    virtual int SyncFile(int fd);
    virtual int CloseFile(int fd);
    virtual int RenameFile(const std::filesystem::path& from, const std::filesystem::path& to);
    virtual int SyncDirectory(const std::filesystem::path& directory);
};

} // namespace orvanel
