// Run history: writing one record (flushed to the disk), and loading the
// latest 1,000 records from a full 1 MiB history file (target: 50 ms).
#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "history/isotime.h"
#include "history/reader.h"
#include "history/writer.h"

namespace {

namespace fs = std::filesystem;
using namespace orvanel::history;

// A directory of its own, removed at the end.
class BenchDir {
public:
    BenchDir() {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = fs::temp_directory_path() / ("orvanel-bench-history-" + std::to_string(stamp));
        fs::create_directories(path_);
    }
    BenchDir(const BenchDir&) = delete;
    BenchDir& operator=(const BenchDir&) = delete;
    ~BenchDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

HistoryLine Typical(int row) {
    HistoryLine record = TaskHistoryLine(
        29'420'000 + row, 1,
        orvanel::ParseTaskLine("C:\\Program Files\\Tools\\editor.exe|Untitled - Editor|7|5|",
                               static_cast<std::size_t>(row % 24 + 1)),
        Outcome::Typed, "window found; 3 steps, 24 key events; 1.3 s");
    record.started = FormatStarted(orvanel::SystemTime{2026, 12, 2, 8, 7, 5, 0, 0});
    return record;
}

void BM_WriteOneRecord(benchmark::State& state) {
    BenchDir dir;
    HistoryWriter writer(dir.Path());
    int row = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(writer.Write(Typical(++row)));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WriteOneRecord)->Unit(benchmark::kMicrosecond);

void BM_LoadFullHistory(benchmark::State& state) {
    BenchDir dir;
    std::string text;
    for (int row = 0;; ++row) {
        const std::string line = FormatHistoryLine(Typical(row));
        if (text.size() + line.size() > kMaxHistoryBytes) {
            break;
        }
        text += line;
    }
    std::ofstream(dir.Path() / kHistoryFileName, std::ios::binary) << text;
    for (auto _ : state) {
        const auto records = ReadLatestRecords(dir.Path(), kShownRecords);
        benchmark::DoNotOptimize(records.data());
    }
    state.counters["file_bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_LoadFullHistory)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
