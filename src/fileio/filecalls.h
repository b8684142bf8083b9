// The file-system calls that the schedule store and the run history make,
// one thin wrapper per call, so that each routine above them (read a file
// whole, replace a file whole, append a record) is written once for every
// platform. posix/filecalls.cpp and win32/filecalls.cpp implement them; the
// build takes the one of its platform.
//
// Every call returns what its POSIX namesake returns (a descriptor, a count,
// 0, or -1) and sets errno when it fails. An interrupted call (EINTR) is
// made again here, so callers never see EINTR. Files are opened in binary
// mode and are not inherited by programs that this process starts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace orvanel::fileio {

enum class FileType { Missing, Regular, Directory, Other };

// What the file system says about a file, enough to tell that it changed
// without reading it: its kind, size, times and identity.
struct FileStamp {
    FileType type = FileType::Missing;
    std::uint64_t size = 0;
    std::int64_t modified = 0; // last write, in nanoseconds since 1970-01-01 00:00 UTC
    std::int64_t changed = 0;  // last change of its entry (POSIX ctime); 0 where unknown
    std::uint64_t device = 0;  // the device or volume...
    std::uint64_t node = 0;    // ...and the file's number on it
    bool operator==(const FileStamp&) const = default;
};

// For reading; a FIFO of that name does not make it wait.
int OpenForReading(const std::filesystem::path& path);
// A new file that must not exist yet, readable and writable by its owner
// only (scripts may hold passwords).
int CreateNew(const std::filesystem::path& path);
// For appending at the end, created (owner only) when missing.
int OpenForAppending(const std::filesystem::path& path);

long Read(int fd, char* data, std::size_t size);
// Reads from `offset` without moving the file position.
long ReadAt(int fd, char* data, std::size_t size, std::uint64_t offset);
long Write(int fd, const char* data, std::size_t size);
// Flushes the file's bytes to the disk.
int Sync(int fd);
int Close(int fd);
int Truncate(int fd, std::uint64_t size);

// Puts `from` in the place of `to` in one step, replacing `to`.
int Rename(const std::filesystem::path& from, const std::filesystem::path& to);
// Flushes a directory's entries to the disk, so that a rename in it survives
// a power loss (nothing to do on Windows, where Rename writes through).
int SyncDirectory(const std::filesystem::path& directory);
int Remove(const std::filesystem::path& path);

// The stamp of the file a path names (symbolic links followed); a name that
// does not exist gives type Missing and returns 0.
int StatPath(const std::filesystem::path& path, FileStamp& stamp);
int StatOpen(int fd, FileStamp& stamp);

// Whether this process may write the existing file.
bool MayWrite(const std::filesystem::path& path);
// Gives a new file the permission bits and owner of the file it is to
// replace, as rewriting that one in place would have kept them (nothing on
// Windows, where a replaced file's attributes carry over).
void CopyOwnership(int fd, const std::filesystem::path& old);

long ProcessId();

// Closes a descriptor when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { (void)Close(); }
    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    // Hands the descriptor over: it is no longer closed here.
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // Closes now; false when the close reported an error.
    bool Close() {
        if (fd_ < 0) {
            return true;
        }
        const int result = fileio::Close(fd_);
        fd_ = -1;
        return result == 0;
    }

private:
    int fd_;
};

} // namespace orvanel::fileio
