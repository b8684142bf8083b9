#include "schedule/filepaths.h"

#include <atomic>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace orvanel::filepaths {

namespace fs = std::filesystem;

namespace {

long ProcessId() {
#ifdef _WIN32
    return static_cast<long>(::_getpid());
#else
    return static_cast<long>(::getpid());
#endif
}

} // namespace

fs::path ReplacedFile(const fs::path& path) {
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        fs::path target = fs::weakly_canonical(path, ec);
        if (!ec) {
            return target;
        }
    }
    return path;
}

fs::path TemporaryName(const fs::path& target, unsigned attempt) {
    static std::atomic<unsigned> counter{0};
    const unsigned n = counter.fetch_add(1, std::memory_order_relaxed);
    const std::string name = "." + target.filename().string() + "." + std::to_string(ProcessId()) +
                             "-" + std::to_string(n) + "-" + std::to_string(attempt) + ".tmp";
    return target.parent_path() / name;
}

} // namespace orvanel::filepaths
