// Playing a 255-character script step: keyboard events per second.
//
// Two desktops: the full recording backend, which formats every event as a
// text line, and the same backend with the event lines left out (only
// counted), which measures the interpreter and the keystroke output path with
// the recording backend's US layout answering the key queries. The counting
// desktop is also measured behind the gate that every key of a task run
// passes (scheduler/guardeddesktop.h), with the stop key watched and every
// key checked against the run's window.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <type_traits>

#include "desktop/recording/recording.h"
#include "keys/keyoutput.h"
#include "keys/keyscript.h"
#include "scheduler/guardeddesktop.h"

namespace {

using namespace orvanel;

class CountingDesktop : public RecordingDesktop {
public:
    void keybd_event(std::uint8_t, std::uint8_t, std::uint32_t, std::uintptr_t) override {
        ++events;
    }
    void Sleep(std::uint32_t) override {}
    std::int64_t events = 0;
};

std::string Step(std::string_view pattern) {
    std::string step;
    while (step.size() < kMaxStepLength) {
        step += pattern;
    }
    step.resize(kMaxStepLength);
    return step;
}

// A mixed step: plain, shifted and prefixed characters, groups, key names.
const std::string kMixed = Step("Dear Sir, it's \"fine\": {TAB}^a+(xyz)~ 12{LEFT 2}%f! ");
// Plain lower-case text.
const std::string kText = Step("the quick brown fox jumps over the lazy dog ");

template <class Desktop> void PlayOneStep(benchmark::State& state, const std::string& step) {
    Desktop desktop;
    KeyOutput out(desktop);
    std::int64_t events = 0;
    for (auto _ : state) {
        PlayStep(out, step);
        if constexpr (std::is_same_v<Desktop, RecordingDesktop>) {
            events += static_cast<std::int64_t>(desktop.Lines().size());
            desktop.ClearRecord();
        } else {
            events = desktop.events;
        }
    }
    state.SetItemsProcessed(events);
    state.counters["events_per_step"] =
        benchmark::Counter(static_cast<double>(events) / static_cast<double>(state.iterations()));
}

void BM_MixedStep_Recording(benchmark::State& state) {
    PlayOneStep<RecordingDesktop>(state, kMixed);
}
void BM_MixedStep_CountOnly(benchmark::State& state) {
    PlayOneStep<CountingDesktop>(state, kMixed);
}
void BM_TextStep_Recording(benchmark::State& state) {
    PlayOneStep<RecordingDesktop>(state, kText);
}
void BM_TextStep_CountOnly(benchmark::State& state) {
    PlayOneStep<CountingDesktop>(state, kText);
}

// The counting desktop behind a task run's gate.
void BM_TextStep_Gated(benchmark::State& state) {
    CountingDesktop desktop;
    desktop.SetStopKeyAvailable(true);
    const WindowHandle window = desktop.AddWindow("Editor");
    desktop.SetForeground(window);
    GuardedDesktop gate(desktop);
    gate.WatchStopKey();
    gate.GuardWindow(window);
    KeyOutput out(gate);
    for (auto _ : state) {
        PlayStep(out, kText);
    }
    state.SetItemsProcessed(desktop.events);
    state.counters["events_per_step"] = benchmark::Counter(static_cast<double>(desktop.events) /
                                                           static_cast<double>(state.iterations()));
}

BENCHMARK(BM_MixedStep_Recording);
BENCHMARK(BM_MixedStep_CountOnly);
BENCHMARK(BM_TextStep_Recording);
BENCHMARK(BM_TextStep_CountOnly);
BENCHMARK(BM_TextStep_Gated);

} // namespace

BENCHMARK_MAIN();
