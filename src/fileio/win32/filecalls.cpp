// The file-system calls on Windows: the C run-time's descriptor calls, with
// MoveFileExW for the rename and the file's handle for its stamp.
#include "fileio/filecalls.h"

#include <algorithm>
#include <cerrno>
#include <climits>

#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>

#include <windows.h>

namespace orvanel::fileio {

namespace fs = std::filesystem;

namespace {

// The C run-time reads and writes at most INT_MAX bytes in one call.
unsigned Chunk(std::size_t size) {
    return static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX));
}

int Open(const fs::path& path, int flags) {
    return ::_wopen(path.c_str(), flags | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

// errno for the last error of a Windows call.
int ErrnoOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    default:
        return EIO;
    }
}

int Failed() {
    errno = ErrnoOf(::GetLastError());
    return -1;
}

std::int64_t Nanoseconds(const FILETIME& time) {
    constexpr std::int64_t kFrom1601To1970 = 116444736000000000; // in 100 ns
    const auto ticks = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    return (ticks - kFrom1601To1970) * 100;
}

FileType TypeOf(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileType::Directory : FileType::Regular;
}

std::uint64_t Join(DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

int StatHandle(HANDLE handle, FileStamp& stamp) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
        stamp.type = FileType::Other;
        return 0;
    }
    if (!::GetFileInformationByHandle(handle, &info)) {
        return Failed();
    }
    stamp.type = TypeOf(info.dwFileAttributes);
    stamp.size = Join(info.nFileSizeHigh, info.nFileSizeLow);
    stamp.modified = Nanoseconds(info.ftLastWriteTime);
    stamp.device = info.dwVolumeSerialNumber;
    stamp.node = Join(info.nFileIndexHigh, info.nFileIndexLow);
    return 0;
}

} // namespace

int OpenForReading(const fs::path& path) {
    return Open(path, _O_RDONLY);
}

int CreateNew(const fs::path& path) {
    return Open(path, _O_WRONLY | _O_CREAT | _O_EXCL);
}

int OpenForAppending(const fs::path& path) {
    return Open(path, _O_RDWR | _O_APPEND | _O_CREAT);
}

long Read(int fd, char* data, std::size_t size) {
    return ::_read(fd, data, Chunk(size));
}

// Moves the file position; a file opened for appending still writes at its end.
long ReadAt(int fd, char* data, std::size_t size, std::uint64_t offset) {
    if (::_lseeki64(fd, static_cast<long long>(offset), SEEK_SET) < 0) {
        return -1;
    }
    return Read(fd, data, size);
}

long Write(int fd, const char* data, std::size_t size) {
    return ::_write(fd, data, Chunk(size));
}

int Sync(int fd) {
    return ::_commit(fd);
}

int Close(int fd) {
    return ::_close(fd);
}

int Truncate(int fd, std::uint64_t size) {
    const errno_t error = ::_chsize_s(fd, static_cast<long long>(size));
    if (error != 0) {
        errno = error;
        return -1;
    }
    return 0;
}

// A plain rename does not replace an existing file on Windows. With write
// through, the change is on the disk when this returns.
int Rename(const fs::path& from, const fs::path& to) {
    if (::MoveFileExW(from.c_str(), to.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return 0;
    }
    return Failed();
}

int SyncDirectory(const fs::path& directory) {
    (void)directory;
    return 0;
}

int Remove(const fs::path& path) {
    return ::_wunlink(path.c_str());
}

int StatPath(const fs::path& path, FileStamp& stamp) {
    stamp = FileStamp{};
    // No access asked for: the stamp can be read even while another program
    // holds the file open without sharing it.
    HANDLE handle =
        ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        const int result = StatHandle(handle, stamp);
        ::CloseHandle(handle);
        return result;
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        return 0;
    }
    // Some file systems refuse even that: the attributes without the identity.
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return Failed();
    }
    stamp.type = TypeOf(data.dwFileAttributes);
    stamp.size = Join(data.nFileSizeHigh, data.nFileSizeLow);
    stamp.modified = Nanoseconds(data.ftLastWriteTime);
    return 0;
}

int StatOpen(int fd, FileStamp& stamp) {
    stamp = FileStamp{};
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    if (handle == INVALID_HANDLE_VALUE) {
        errno = EBADF;
        return -1;
    }
    return StatHandle(handle, stamp);
}

bool MayWrite(const fs::path& path) {
    return ::_waccess(path.c_str(), 2) == 0;
}

void CopyOwnership(int fd, const fs::path& old) {
    (void)fd;
    (void)old;
}

long ProcessId() {
    return static_cast<long>(::_getpid());
}

} // namespace orvanel::fileio
