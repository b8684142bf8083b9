// The store's file access on Windows, the counterpart of files.cpp (which is
// for POSIX systems; the build takes one of the two). All system calls of the
// store are in this file and in filecalls_win32.cpp. Files are opened in
// binary mode, so that line ends are written and read exactly as the store
// makes them.
#include "schedule/filecalls_win32.h"
#include "schedule/filepaths.h"
#include "schedule/files.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <string>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

namespace orvanel {

namespace fs = std::filesystem;

namespace {

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
        const int result = ::_close(fd_);
        fd_ = -1;
        return result == 0;
    }

private:
    int fd_;
};

} // namespace

ScheduleFiles::ReadResult ScheduleFiles::ReadWhole(const fs::path& path, std::string& content) {
    content.clear();
    // A directory (or device) of that name is not a file; opening one fails
    // on Windows with an error that does not say so.
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) {
        return ReadResult::Missing;
    }
    if (!ec && status.type() != fs::file_type::regular) {
        return ReadResult::Missing;
    }
    Descriptor file(::_wopen(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT));
    if (!file.Valid()) {
        return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    }
    // Read whole, whatever the size says: the file may grow or shrink meanwhile.
    std::size_t used = 0;
    content.resize(4096);
    for (;;) {
        if (used == content.size()) {
            content.resize(content.size() * 2);
        }
        const std::size_t room = std::min<std::size_t>(content.size() - used, INT_MAX);
        const int got = ::_read(file.Get(), content.data() + used, static_cast<unsigned>(room));
        if (got < 0) {
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

    // A directory is not replaced, and neither is a file that this process
    // may not write (a read-only file).
    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    const bool exists = !ec && fs::exists(status);
    if (exists && fs::is_directory(status)) {
        return false;
    }
    if (exists && ::_waccess(target.c_str(), 2) != 0) {
        return false;
    }

    fs::path temporary;
    int fd = -1;
    for (unsigned attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = filepaths::TemporaryName(target, attempt);
        fd = ::_wopen(temporary.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                      _S_IREAD | _S_IWRITE);
        if (fd < 0 && errno != EEXIST) {
            return false;
        }
    }
    if (fd < 0) {
        return false;
    }
    Descriptor file(fd);
    bool ok = true;

    std::size_t written = 0;
    while (ok && written < content.size()) {
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
        ::_wunlink(temporary.c_str());
        return false;
    }
    fs::path directory = target.parent_path();
    (void)SyncDirectory(directory.empty() ? fs::path(".") : directory);
    return true;
}

long ScheduleFiles::WriteSome(int fd, const char* data, std::size_t size) {
    return winfiles::WriteChunk(fd, data, size);
}

int ScheduleFiles::SyncFile(int fd) {
    return ::_commit(fd);
}

int ScheduleFiles::CloseFile(int fd) {
    return ::_close(fd);
}

// The write-through rename is on the disk when it returns; a directory has
// nothing left to flush.
int ScheduleFiles::SyncDirectory(const fs::path& directory) {
    (void)directory;
    return 0;
}

int ScheduleFiles::RenameFile(const fs::path& from, const fs::path& to) {
    const int error = winfiles::MoveReplacing(from, to);
    if (error != 0) {
        errno = error;
        return -1;
    }
    return 0;
}

} // namespace orvanel
