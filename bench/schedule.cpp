// Schedule data: reading the fields of task lines, and loading a large week.
#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <new>
#include <string>

#include "schedule/store.h"
#include "schedule/taskline.h"

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
        std::string text;
        text.reserve(static_cast<std::size_t>(lines) * (length + 2));
        for (int i = 0; i < lines; ++i) {
            text += line;
            text += "\r\n";
        }
        for (const char* name : orvanel::kDayFileNames) {
            std::ofstream(path_ / name, std::ios::binary)
                .write(text.data(), static_cast<long>(text.size()));
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

} // namespace

BENCHMARK_MAIN();
