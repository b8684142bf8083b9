// The history's file access on Windows, the counterpart of logfile.cpp. Files
// are opened in binary mode, so that CR LF is written exactly as given.
#include "history/logfile.h"

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include "schedule/filecalls_win32.h"

namespace orvanel::history {

namespace fs = std::filesystem;

namespace {

// Whether the last byte of a file of `size` bytes is a line end.
bool EndsLine(int fd, long long size) {
    char last = '\n';
    if (size == 0 || ::_lseeki64(fd, size - 1, SEEK_SET) < 0 || ::_read(fd, &last, 1) != 1) {
        return true;
    }
    return last == '\n';
}

} // namespace

int LogFiles::Append(const fs::path& path, std::string_view data) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        return EISDIR;
    }
    const int fd = ::_wopen(path.c_str(), _O_RDWR | _O_APPEND | _O_CREAT | _O_BINARY | _O_NOINHERIT,
                            _S_IREAD | _S_IWRITE);
    if (fd < 0) {
        return errno;
    }
    const long long size = ::_lseeki64(fd, 0, SEEK_END);
    std::string buffer;
    if (size > 0 && !EndsLine(fd, size)) {
        buffer = "\r\n";
    }
    buffer.append(data);

    int error = 0;
    std::size_t written = 0;
    while (written < buffer.size()) {
        const long n = WriteSome(fd, buffer.data() + written, buffer.size() - written);
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    if (error == 0 && SyncFile(fd) != 0) {
        error = errno;
    }
    if (error != 0 && size >= 0) {
        (void)::_chsize_s(fd, size); // no half record stays behind
    }
    if (::_close(fd) != 0 && error == 0) {
        error = errno;
    }
    return error;
}

int LogFiles::RenameFile(const fs::path& from, const fs::path& to) {
    return winfiles::MoveReplacing(from, to);
}

long LogFiles::WriteSome(int fd, const char* data, std::size_t size) {
    return winfiles::WriteChunk(fd, data, size);
}

int LogFiles::SyncFile(int fd) {
    return ::_commit(fd);
}

} // namespace orvanel::history
