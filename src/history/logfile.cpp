// The history's file access on POSIX systems (logfile_win32.cpp is the
// Windows counterpart; the build takes one of the two).
#include "history/logfile.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace orvanel::history {

namespace fs = std::filesystem;

namespace {

int OpenForAppending(const fs::path& path) {
    int fd;
    do {
        // O_NONBLOCK: a FIFO of that name must not hang the tick.
        fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK,
                    0600);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Whether the last byte of a file of `size` bytes is a line end.
bool EndsLine(int fd, off_t size) {
    char last = '\n';
    return size == 0 || ::pread(fd, &last, 1, size - 1) != 1 || last == '\n';
}

} // namespace

int LogFiles::Append(const fs::path& path, std::string_view data) {
    const int fd = OpenForAppending(path);
    if (fd < 0) {
        return errno;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = S_ISREG(info.st_mode) ? errno : EINVAL; // a FIFO or device
        ::close(fd);
        return error;
    }
    std::string buffer;
    if (!EndsLine(fd, info.st_size)) {
        buffer = "\r\n";
    }
    buffer.append(data);

    int error = 0;
    std::size_t written = 0;
    while (written < buffer.size()) {
        const long n = WriteSome(fd, buffer.data() + written, buffer.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    if (error == 0 && SyncFile(fd) != 0) {
        error = errno;
    }
    if (error != 0) {
        (void)::ftruncate(fd, info.st_size); // no half record stays behind
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    return error;
}

int LogFiles::RenameFile(const fs::path& from, const fs::path& to) {
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

long LogFiles::WriteSome(int fd, const char* data, std::size_t size) {
    return static_cast<long>(::write(fd, data, size));
}

int LogFiles::SyncFile(int fd) {
    return ::fsync(fd);
}

} // namespace orvanel::history
