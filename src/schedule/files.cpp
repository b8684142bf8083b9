// The store's file access, the same on every platform over the file-system
// calls of fileio/filecalls.h.
#include "schedule/files.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <new>
#include <string>

#include "schedule/filepaths.h"

namespace orvanel {

namespace fs = std::filesystem;
using fileio::FileType;

namespace {

using Read = ScheduleFiles::Read;

Read Failure(int error) {
    Read read;
    read.result = ScheduleFiles::ReadResult::Failed;
    read.error = error;
    return read;
}

// Reads `fd` to its end, but never more than `room` bytes; the first
// allocation is for `expected` bytes. Returns 0 or the errno value.
int ReadToEnd(int fd, std::string& content, std::uint64_t expected, std::uint64_t room) {
    constexpr std::uint64_t kGrowth = 4096;
    const std::uint64_t most = std::min<std::uint64_t>(room, content.max_size());
    content.resize(static_cast<std::size_t>(std::min(expected, most)));
    std::size_t used = 0;
    for (;;) {
        if (used == content.size()) {
            if (used >= most) {
                break;
            }
            const std::uint64_t grown =
                std::min<std::uint64_t>(used * std::uint64_t{2} + kGrowth, most);
            content.resize(static_cast<std::size_t>(grown));
        }
        const long got = fileio::Read(fd, content.data() + used, content.size() - used);
        if (got < 0) {
            return errno;
        }
        if (got == 0) {
            break;
        }
        used += static_cast<std::size_t>(got);
    }
    content.resize(used);
    return 0;
}

} // namespace

ScheduleFiles::Read ScheduleFiles::ReadWhole(const fs::path& path, std::string& content,
                                             std::uint64_t limit) {
    content.clear();
    Stamp named;
    if (fileio::StatPath(path, named) != 0) {
        return Failure(errno);
    }
    if (named.type != FileType::Regular) {
        return Read{}; // a directory (or device, FIFO) is not a file
    }
    fileio::Descriptor file(fileio::OpenForReading(path));
    if (!file.Valid()) {
        return errno == ENOENT ? Read{} : Failure(errno);
    }
    // The name may have been replaced by something else since the check.
    Read read;
    if (fileio::StatOpen(file.Get(), read.stamp) != 0) {
        return Failure(errno);
    }
    if (read.stamp.type != FileType::Regular) {
        return Read{};
    }
    read.result = ReadResult::TooLarge;
    if (read.stamp.size > limit) {
        return read;
    }
    // Read to the end, whatever the size said: the file may change meanwhile.
    // One byte beyond the limit tells that it grew past it.
    const std::uint64_t room = limit == kNoLimit ? limit : limit + 1;
    try {
        const int error = ReadToEnd(file.Get(), content, read.stamp.size + 1, room);
        if (error != 0) {
            content.clear();
            return Failure(error);
        }
    } catch (const std::bad_alloc&) {
        std::string().swap(content);
        return Failure(ENOMEM);
    }
    if (content.size() > limit) {
        std::string().swap(content);
        return read;
    }
    read.result = ReadResult::Ok;
    return read;
}

bool ScheduleFiles::GetStamp(const fs::path& path, Stamp& stamp) {
    return fileio::StatPath(path, stamp) == 0;
}

std::int64_t ScheduleFiles::Now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool ScheduleFiles::ReplaceWhole(const fs::path& path, std::string_view content) {
    const fs::path target = filepaths::ReplacedFile(path);
    fs::path directory = target.parent_path();
    if (directory.empty()) {
        directory = ".";
    }
    // A directory is not replaced, and neither is a file that this process
    // may not write: a rename needs only the directory's permission, and a
    // file that could not be rewritten in place is not replaced either.
    Stamp old;
    if (fileio::StatPath(target, old) != 0) {
        return false;
    }
    const bool exists = old.type != FileType::Missing;
    if (old.type == FileType::Directory || (exists && !fileio::MayWrite(target))) {
        return false;
    }

    fs::path temporary;
    int fd = -1;
    for (unsigned attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = filepaths::TemporaryName(target, attempt);
        fd = fileio::CreateNew(temporary);
        if (fd < 0 && errno != EEXIST) {
            return false;
        }
    }
    if (fd < 0) {
        return false;
    }
    fileio::Descriptor file(fd);
    if (exists) {
        fileio::CopyOwnership(file.Get(), target);
    }

    bool ok = true;
    std::size_t written = 0;
    while (ok && written < content.size()) {
        const long n = WriteSome(file.Get(), content.data() + written, content.size() - written);
        ok = n > 0;
        written += ok ? static_cast<std::size_t>(n) : 0;
    }
    ok = ok && SyncFile(file.Get()) == 0;
    ok = CloseFile(file.Release()) == 0 && ok;
    ok = ok && RenameFile(temporary, target) == 0;
    if (!ok) {
        (void)fileio::Remove(temporary);
        return false;
    }
    // Some file systems cannot sync a directory; the rename has happened
    // anyway, so this is done on a best-effort basis.
    (void)SyncDirectory(directory);
    return true;
}

long ScheduleFiles::WriteSome(int fd, const char* data, std::size_t size) {
    return fileio::Write(fd, data, size);
}

int ScheduleFiles::SyncFile(int fd) {
    return fileio::Sync(fd);
}

int ScheduleFiles::CloseFile(int fd) {
    return fileio::Close(fd);
}

int ScheduleFiles::RenameFile(const fs::path& from, const fs::path& to) {
    return fileio::Rename(from, to);
}

int ScheduleFiles::SyncDirectory(const fs::path& directory) {
    return fileio::SyncDirectory(directory);
}

} // namespace orvanel
