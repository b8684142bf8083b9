// The history's file access, the same on every platform over the
// file-system calls of fileio/filecalls.h.
#include "history/logfile.h"

#include <cerrno>
#include <string>

#include "fileio/filecalls.h"

namespace orvanel::history {

namespace fs = std::filesystem;
using fileio::FileType;

namespace {

// Whether the last byte of a file of `size` bytes is a line end.
bool EndsLine(int fd, std::uint64_t size) {
    char last = '\n';
    return size == 0 || fileio::ReadAt(fd, &last, 1, size - 1) != 1 || last == '\n';
}

} // namespace

int LogFiles::Append(const fs::path& path, std::string_view data) {
    fileio::FileStamp stamp;
    if (fileio::StatPath(path, stamp) != 0) {
        return errno;
    }
    if (stamp.type == FileType::Directory) {
        return EISDIR;
    }
    fileio::Descriptor file(fileio::OpenForAppending(path));
    if (!file.Valid()) {
        return errno;
    }
    const int fd = file.Get();
    if (fileio::StatOpen(fd, stamp) != 0) {
        return errno;
    }
    if (stamp.type != FileType::Regular) {
        return EINVAL; // a FIFO or device
    }
    std::string buffer;
    if (!EndsLine(fd, stamp.size)) {
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
    if (error != 0) {
        (void)fileio::Truncate(fd, stamp.size); // no half record stays behind
    }
    if (!file.Close() && error == 0) {
        error = errno;
    }
    return error;
}

int LogFiles::RenameFile(const fs::path& from, const fs::path& to) {
    return fileio::Rename(from, to) == 0 ? 0 : errno;
}

long LogFiles::WriteSome(int fd, const char* data, std::size_t size) {
    return fileio::Write(fd, data, size);
}

int LogFiles::SyncFile(int fd) {
    return fileio::Sync(fd);
}

} // namespace orvanel::history
