#include "history/errorlatch.h"

namespace orvanel::history {

bool ErrorLatch::ShouldRecord(int day, const TaskLine& task) {
    auto [place, added] = recorded_.try_emplace({day, task.row}, task);
    if (added) {
        return true;
    }
    if (place->second == task) {
        return false;
    }
    place->second = task;
    return true;
}

} // namespace orvanel::history
