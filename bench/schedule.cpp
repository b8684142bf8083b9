// Schedule data: reading the fields of task lines, loading a large week (and
// the largest the store reads), and the minute timer's check and tick over it.
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <new>
#include <string>

#include "desktop/recording/recording.h"
#include "keys/keyoutput.h"
#include "schedule/store.h"
#include "schedule/taskline.h"
#include "scheduler/scheduler.h"

// Heap accounting: live and peak bytes of every allocation of the process,
// each counted with its usable size plus the allocator's 8-byte chunk header.
namespace {
constexpr std::size_t kChunkHeader = 8;

std::atomic<std::size_t> liveBytes{0};
std::atomic<std::size_t> peakBytes{0};

void* Allocate(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    const std::size_t now = liveBytes += malloc_usable_size(p) + kChunkHeader;
    std::size_t peak = peakBytes.load();
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
    }
    return p;
}

void Free(void* p) {
    if (p != nullptr) {
        liveBytes -= malloc_usable_size(p) + kChunkHeader;
        std::free(p);
    }
}
} // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    Free(p);
}
void operator delete[](void* p) noexcept {
    Free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    Free(p);
}

namespace {

namespace fs = std::filesystem;

// A 255-character task line with a long script.
std::string LongTaskLine() {
    std::string line = "C:\\Program Files\\Editor\\editor.exe|Untitled - Editor|7|5|";
    while (line.size() < 255) {
        line += "abc;{ENTER};";
    }
    line.resize(255);
    return line;
}

void BM_ReadFiveFields(benchmark::State& state) {
    const std::string line = LongTaskLine();
    for (auto _ : state) {
        for (int i = 0; i < 5; ++i) {
            std::string field = orvanel::ExtractField(line, "|", i);
            benchmark::DoNotOptimize(field.data());
        }
    }
    state.SetItemsProcessed(state.iterations()); // lines
}
BENCHMARK(BM_ReadFiveFields);

void BM_HourAndMinute(benchmark::State& state) {
    const std::string line = LongTaskLine();
    for (auto _ : state) {
        const int hour = orvanel::TextToInt(orvanel::ExtractField(line, "|", 2));
        const int minute = orvanel::TextToInt(orvanel::ExtractField(line, "|", 3));
        benchmark::DoNotOptimize(hour + minute);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HourAndMinute);

// A directory with seven day files of `lines` lines of `length` characters.
class Week {
public:
    Week(int lines, std::size_t length) {
        std::string pattern = (fs::temp_directory_path() / "orvanel-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        path_ = pattern;
        std::string line = LongTaskLine().substr(0, length);
        line.resize(length, 'x'); // a hand-made file may hold longer lines
        std::string text;
        text.reserve(static_cast<std::size_t>(lines) * (length + 2));
        for (int i = 0; i < lines; ++i) {
            text += line;
            text += "\r\n";
        }
        for (const char* name : orvanel::kDayFileNames) {
            std::ofstream(path_ / name, std::ios::binary)
                .write(text.data(), static_cast<long>(text.size()));
            // Written long ago, as a week in use was.
            fs::last_write_time(path_ / name,
                                fs::file_time_type::clock::now() - std::chrono::hours(1));
            bytes_ += text.size();
        }
    }
    Week(const Week&) = delete;
    Week& operator=(const Week&) = delete;
    ~Week() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& Path() const { return path_; }
    std::size_t Bytes() const { return bytes_; }

private:
    fs::path path_;
    std::size_t bytes_ = 0;
};

void BM_LoadSchedule(benchmark::State& state) {
    const Week week(100000, static_cast<std::size_t>(state.range(0)));
    orvanel::MemoryScheduleView view;

    // Memory: the heap that a fresh start-up needs at its peak and keeps.
    std::size_t peakHeap = 0;
    std::size_t keptHeap = 0;
    {
        const std::size_t base = liveBytes.load();
        peakBytes = base;
        orvanel::ScheduleStore store(view, week.Path());
        store.StartUp();
        peakHeap = peakBytes.load() - base;
        keptHeap = liveBytes.load() - base;
    }

    orvanel::ScheduleStore store(view, week.Path());
    store.StartUp();
    for (auto _ : state) {
        store.ClearGrids();
        store.LoadSchedule();
        benchmark::DoNotOptimize(store.DayList(6).size());
    }
    const double size = static_cast<double>(week.Bytes());
    state.counters["files_MB"] = size / 1e6;
    state.counters["peak_heap_x"] = static_cast<double>(peakHeap) / size;
    state.counters["kept_heap_x"] = static_cast<double>(keptHeap) / size;
}
BENCHMARK(BM_LoadSchedule)->Arg(40)->Arg(70)->Arg(255)->Unit(benchmark::kMillisecond);

// The minute timer's work with the seven 100,000-line files: the check for
// files changed on disk (none), then the tick over Monday's list (none due).
void BM_TickWithCheck(benchmark::State& state) {
    const Week week(100000, static_cast<std::size_t>(state.range(0)));
    orvanel::MemoryScheduleView view;
    orvanel::ScheduleStore store(view, week.Path());
    store.StartUp();
    orvanel::RecordingDesktop desktop;
    desktop.SetLocalTime(2026, 1, 5, 8, 0, 30); // a Monday, after the lines' 07:05
    orvanel::KeyOutput keys(desktop);
    orvanel::Scheduler scheduler(keys, store);
    scheduler.Start();
    for (auto _ : state) {
        state.PauseTiming();
        desktop.Advance(60000); // the next minute: one minute to examine
        state.ResumeTiming();
        const orvanel::DiskChanges changes = store.ReloadChangedFiles();
        scheduler.Tick();
        benchmark::DoNotOptimize(changes.Any());
    }
    if (!desktop.Lines().empty()) {
        state.SkipWithError("a line ran");
    }
}
BENCHMARK(BM_TickWithCheck)->Arg(70)->Arg(255)->Unit(benchmark::kMillisecond);

// The largest week the store reads: seven day files at both limits at once
// (250,000 lines of 266 characters, just under 64 MiB each). The heap that
// start-up needs at its peak and keeps bounds what any week can take.
void BM_LoadLargestWeek(benchmark::State& state) {
    const Week week(static_cast<int>(orvanel::kMaxFileLines), 266);
    orvanel::MemoryScheduleView view;
    for (auto _ : state) {
        const std::size_t base = liveBytes.load();
        peakBytes = base;
        orvanel::ScheduleStore store(view, week.Path());
        store.StartUp();
        state.counters["peak_heap_MiB"] = static_cast<double>(peakBytes.load() - base) / (1 << 20);
        state.counters["kept_heap_MiB"] = static_cast<double>(liveBytes.load() - base) / (1 << 20);
        state.counters["days_loaded"] = store.DayList(6).size() == orvanel::kMaxFileLines ? 1 : 0;
    }
    state.counters["files_MiB"] = static_cast<double>(week.Bytes()) / (1 << 20);
}
BENCHMARK(BM_LoadLargestWeek)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
