// The file-system calls on POSIX systems.
#include "fileio/filecalls.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanel::fileio {

namespace fs = std::filesystem;

namespace {

// Makes a call again for as long as a signal interrupts it.
template <typename Call> auto Retried(Call call) {
    decltype(call()) result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

int Open(const fs::path& path, int flags) {
    return Retried([&] { return ::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY, 0600); });
}

std::int64_t Nanoseconds(const struct timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

FileType TypeOf(mode_t mode) {
    if (S_ISREG(mode)) {
        return FileType::Regular;
    }
    return S_ISDIR(mode) ? FileType::Directory : FileType::Other;
}

void Fill(const struct stat& info, FileStamp& stamp) {
    stamp.type = TypeOf(info.st_mode);
    stamp.size = static_cast<std::uint64_t>(info.st_size);
    stamp.modified = Nanoseconds(info.st_mtim);
    stamp.changed = Nanoseconds(info.st_ctim);
    stamp.device = static_cast<std::uint64_t>(info.st_dev);
    stamp.node = static_cast<std::uint64_t>(info.st_ino);
}

} // namespace

int OpenForReading(const fs::path& path) {
    return Open(path, O_RDONLY | O_NONBLOCK);
}

int CreateNew(const fs::path& path) {
    return Open(path, O_WRONLY | O_CREAT | O_EXCL);
}

int OpenForAppending(const fs::path& path) {
    // O_NONBLOCK: a FIFO of that name must not hang the caller.
    return Open(path, O_RDWR | O_APPEND | O_CREAT | O_NONBLOCK);
}

long Read(int fd, char* data, std::size_t size) {
    return Retried([&] { return static_cast<long>(::read(fd, data, size)); });
}

long ReadAt(int fd, char* data, std::size_t size, std::uint64_t offset) {
    return Retried(
        [&] { return static_cast<long>(::pread(fd, data, size, static_cast<off_t>(offset))); });
}

long Write(int fd, const char* data, std::size_t size) {
    return Retried([&] { return static_cast<long>(::write(fd, data, size)); });
}

int Sync(int fd) {
    return Retried([&] { return ::fsync(fd); });
}

// Not made again after EINTR: on Linux the descriptor is gone either way.
int Close(int fd) {
    return ::close(fd);
}

int Truncate(int fd, std::uint64_t size) {
    return Retried([&] { return ::ftruncate(fd, static_cast<off_t>(size)); });
}

int Rename(const fs::path& from, const fs::path& to) {
    return ::rename(from.c_str(), to.c_str());
}

int SyncDirectory(const fs::path& directory) {
    Descriptor dir(Open(directory, O_RDONLY | O_DIRECTORY));
    if (!dir.Valid()) {
        return -1;
    }
    return Sync(dir.Get());
}

int Remove(const fs::path& path) {
    return ::unlink(path.c_str());
}

int StatPath(const fs::path& path, FileStamp& stamp) {
    stamp = FileStamp{};
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? 0 : -1;
    }
    Fill(info, stamp);
    return 0;
}

int StatOpen(int fd, FileStamp& stamp) {
    stamp = FileStamp{};
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return -1;
    }
    Fill(info, stamp);
    return 0;
}

bool MayWrite(const fs::path& path) {
    return ::access(path.c_str(), W_OK) == 0;
}

void CopyOwnership(int fd, const fs::path& old) {
    struct stat info {};
    if (::stat(old.c_str(), &info) != 0) {
        return;
    }
    (void)::fchmod(fd, info.st_mode & 07777);
    if (info.st_uid != ::geteuid() || info.st_gid != ::getegid()) {
        // Only root may give a file to another owner; otherwise the new file
        // stays the writer's, as it is when this fails.
        const int given = ::fchown(fd, info.st_uid, info.st_gid);
        (void)given;
    }
}

long ProcessId() {
    return static_cast<long>(::getpid());
}

} // namespace orvanel::fileio
