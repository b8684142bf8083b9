#include "schedule/filecalls_win32.h"

#include <algorithm>
#include <cerrno>
#include <climits>

#include <io.h>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace orvanel::winfiles {

long WriteChunk(int fd, const char* data, std::size_t size) {
    const std::size_t chunk = std::min<std::size_t>(size, INT_MAX);
    return static_cast<long>(::_write(fd, data, static_cast<unsigned>(chunk)));
}

// A plain rename does not replace an existing file on Windows.
int MoveReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (::MoveFileExW(from.c_str(), to.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return 0;
    }
    switch (::GetLastError()) {
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

} // namespace orvanel::winfiles
