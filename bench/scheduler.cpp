// The minute tick over a long day list: one tick examining one minute of a
// list of 100,000 lines of which none is due, and the bare scan of such a list.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "desktop/recording/recording.h"
#include "keys/keyoutput.h"
#include "scheduler/scheduler.h"

namespace {

using orvanel::DayListScan;
using orvanel::KeyOutput;
using orvanel::RecordingDesktop;
using orvanel::ScanDayList;
using orvanel::Scheduler;

// 100,000 task lines, all due at 03:33, with realistic fields.
std::vector<std::string> LongList() {
    std::vector<std::string> list;
    list.reserve(100000);
    for (int i = 0; i < 100000; ++i) {
        list.push_back("C:\\Program Files\\Tools\\tool" + std::to_string(i) + ".exe|Tool window " +
                       std::to_string(i) + "|3|33|Hello;{ENTER};^s;{SLEEP 1};%{F4}");
    }
    return list;
}

void BM_TickOver100000LinesNoneDue(benchmark::State& state) {
    const std::vector<std::string> list = LongList();
    RecordingDesktop desktop; // starts on a Monday at 07:00 of the process's zone
    KeyOutput keys(desktop);
    Scheduler scheduler(
        keys, [&list](int) -> const std::vector<std::string>& { return list; },
        [] { return std::string("0"); });
    scheduler.Start();
    for (auto _ : state) {
        state.PauseTiming();
        desktop.Advance(60000); // the next minute: one minute to examine
        state.ResumeTiming();
        scheduler.Tick();
    }
    if (!desktop.Lines().empty()) {
        state.SkipWithError("a line ran");
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(list.size()));
}
BENCHMARK(BM_TickOver100000LinesNoneDue)->Unit(benchmark::kMillisecond);

void BM_ScanDayList100000Lines(benchmark::State& state) {
    const std::vector<std::string> list = LongList();
    for (auto _ : state) {
        DayListScan scan = ScanDayList(list, 7, 5);
        benchmark::DoNotOptimize(scan);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(list.size()));
}
BENCHMARK(BM_ScanDayList100000Lines)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
