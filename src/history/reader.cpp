#include "history/reader.h"

#include <string>

#include "history/writer.h"
#include "schedule/files.h"

namespace orvanel::history {

std::vector<HistoryLine> LatestRecords(std::string_view text, std::size_t count) {
    std::vector<HistoryLine> entries;
    // Whatever follows the last line end is a torn record.
    std::size_t end = text.rfind('\n');
    while (end != std::string_view::npos && entries.size() < count) {
        const std::size_t previous = end == 0 ? std::string_view::npos : text.rfind('\n', end - 1);
        const std::size_t start = previous == std::string_view::npos ? 0 : previous + 1;
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (auto entry = ParseHistoryLine(line)) {
            entries.push_back(std::move(*entry));
        }
        end = previous;
    }
    return entries;
}

std::vector<HistoryLine> ReadLatestRecords(const std::filesystem::path& directory,
                                           std::size_t count) {
    std::vector<HistoryLine> entries;
    try {
        ScheduleFiles files;
        std::string text;
        for (const char* name : {kHistoryFileName, kOldHistoryFileName}) {
            if (entries.size() >= count) {
                break;
            }
            // The writer keeps a file below twice its limit; a larger one is
            // not the writer's and is not read.
            if (files.ReadWhole(directory / name, text, 4 * kMaxHistoryBytes).result !=
                ScheduleFiles::ReadResult::Ok) {
                continue;
            }
            std::vector<HistoryLine> more = LatestRecords(text, count - entries.size());
            entries.insert(entries.end(), std::make_move_iterator(more.begin()),
                           std::make_move_iterator(more.end()));
        }
    } catch (...) {
        // Out of memory: show what was read.
    }
    return entries;
}

} // namespace orvanel::history
