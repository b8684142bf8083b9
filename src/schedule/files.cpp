// The store's file access on POSIX systems (files_win32.cpp is the Windows
// counterpart; the build takes one of the two). All system calls of the store
// are in these files.
#include "schedule/files.h"
#include "schedule/filepaths.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <system_error>

#include <unistd.h>

namespace orvanel {

namespace fs = std::filesystem;

namespace {

int OpenForReading(const fs::path& path) {
    int fd;
    do {
        // O_NONBLOCK: opening a FIFO of that name must not hang the program.
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    return fd;
}
// Scripts may hold passwords: a new file is readable by its owner only. A
// file that replaces an existing one gets that one's mode (CopyOwnership).
int CreateExclusive(const fs::path& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
    } while (fd < 0 && errno == EINTR);
    return fd;
}
long ReadSome(int fd, char* data, std::size_t size) {
    return static_cast<long>(::read(fd, data, size));
}
int CloseDescriptor(int fd) {
    return ::close(fd);
}

// Closes a descriptor when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { Close(); }
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
        const int result = CloseDescriptor(fd_);
        fd_ = -1;
        return result == 0;
    }

private:
    int fd_;
};

// Gives a new file the permission bits and owner of the file it replaces, as
// rewriting that file in place would have kept them.
void CopyOwnership(int fd, const fs::path& old) {
    struct stat info {};
    if (::stat(old.c_str(), &info) != 0) {
        return;
    }
    (void)::fchmod(fd, info.st_mode & 07777);
    if (info.st_uid != ::geteuid() || info.st_gid != ::getegid()) {
        (void)::fchown(fd, info.st_uid, info.st_gid);
    }
}

// Whether an existing file may be written by this process. A rename needs
// only the directory's permission; a file that could not be rewritten in
// place is not replaced either.
bool MayWrite(const fs::path& file) {
    return ::access(file.c_str(), W_OK) == 0;
}

} // namespace

ScheduleFiles::ReadResult ScheduleFiles::ReadWhole(const fs::path& path, std::string& content) {
    content.clear();
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) {
        return ReadResult::Missing;
    }
    if (ec) {
        return ReadResult::Failed;
    }
    if (status.type() != fs::file_type::regular) {
        return ReadResult::Missing; // a directory (or device, FIFO) is not a file
    }
    Descriptor file(OpenForReading(path));
    if (!file.Valid()) {
        return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    }
    // The name may have been replaced by something else since the check.
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0) {
        return ReadResult::Failed;
    }
    if (!S_ISREG(info.st_mode)) {
        return ReadResult::Missing;
    }
    // Read to the end, whatever the size said: the file may change meanwhile.
    const std::uintmax_t expected = fs::file_size(path, ec);
    std::size_t used = 0;
    content.resize(ec ? 4096 : static_cast<std::size_t>(expected) + 1);
    for (;;) {
        if (used == content.size()) {
            content.resize(content.size() * 2 + 4096);
        }
        const long got = ReadSome(file.Get(), content.data() + used, content.size() - used);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            content.clear();
            return ReadResult::Failed;
        }
        if (got == 0) {
            break;
        }
        used += static_cast<std::size_t>(got);
    }
    content.resize(used);
    return ReadResult::Ok;
}

bool ScheduleFiles::ReplaceWhole(const fs::path& path, std::string_view content) {
    const fs::path target = filepaths::ReplacedFile(path);
    fs::path directory = target.parent_path();
    if (directory.empty()) {
        directory = ".";
    }
    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    const bool exists = fs::exists(status);
    if (fs::is_directory(status) || (exists && !MayWrite(target))) {
        return false;
    }

    fs::path temporary;
    int fd = -1;
    for (unsigned attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = filepaths::TemporaryName(target, attempt);
        fd = CreateExclusive(temporary);
        if (fd < 0 && errno != EEXIST) {
            return false;
        }
    }
    if (fd < 0) {
        return false;
    }
    Descriptor file(fd);
    if (exists) {
        CopyOwnership(file.Get(), target);
    }

    bool ok = true;
    std::size_t written = 0;
    while (written < content.size()) {
        const long n = WriteSome(file.Get(), content.data() + written, content.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ok = false;
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    ok = ok && SyncFile(file.Get()) == 0;
    ok = CloseFile(file.Release()) == 0 && ok;
    ok = ok && RenameFile(temporary, target) == 0;
    if (!ok) {
        fs::remove(temporary, ec);
        return false;
    }
    // Some file systems cannot sync a directory; the rename has happened
    // anyway, so this is done on a best-effort basis.
    (void)SyncDirectory(directory);
    return true;
}

long ScheduleFiles::WriteSome(int fd, const char* data, std::size_t size) {
    return static_cast<long>(::write(fd, data, size));
}

int ScheduleFiles::SyncFile(int fd) {
    return ::fsync(fd);
}

int ScheduleFiles::CloseFile(int fd) {
    return CloseDescriptor(fd);
}

int ScheduleFiles::RenameFile(const fs::path& from, const fs::path& to) {
    return ::rename(from.c_str(), to.c_str());
}

// Flushes the directory's entries to the disk, so that a rename in it
// survives a power loss.
int ScheduleFiles::SyncDirectory(const fs::path& directory) {
    Descriptor dir(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.Valid()) {
        return -1;
    }
    return ::fsync(dir.Get());
}

} // namespace orvanel
