#include "history/errorlatch.h"

namespace orvanel::history {

bool ErrorLatch::ShouldRecord(int day, std::size_t index, std::string_view line) {
    auto [place, added] = recorded_.try_emplace({day, index}, line);
    if (added) {
        return true;
    }
    if (place->second == line) {
        return false;
    }
    place->second = line;
    return true;
}

} // namespace orvanel::history
