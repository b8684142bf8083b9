#include "schedule/filepaths.h"

#include <atomic>
#include <string>
#include <system_error>

#include "fileio/filecalls.h"

namespace orvanel::filepaths {

namespace fs = std::filesystem;

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
    const std::string name = "." + target.filename().string() + "." +
                             std::to_string(fileio::ProcessId()) + "-" + std::to_string(n) + "-" +
                             std::to_string(attempt) + ".tmp";
    return target.parent_path() / name;
}

} // namespace orvanel::filepaths
