// Tune latency on the simulated card: SetTVParam(2, n) timed one tune at a
// time. A tune is designed to take its 150 ms pause plus one block write and
// one register read, so what matters is the excess over 150 ms (median and
// worst) and the CPU time a tune uses (the pause must sleep, not spin).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "bench_env.h"
#include "benchmarks.h"

namespace tvbench {
namespace {

constexpr double kPauseMs = 150.0;

// Cable channels that the simulated card's default stations lock and some
// they do not; a tune costs the same either way.
constexpr uint32_t kChannels[] = {7, 3, 14, 40, 63, 95, 2, 125, 56, 87};

void TuneLatency(benchmark::State &state) {
    LoadedLibrary library;
    SimCard card;
    if (!ReadyOrSkip(state, library, card)) return;
    card.RestoreDefaults();
    const ModuleExports &tv = library.tv;
    tv.SetTVParam(TV_PARAM_SOURCE, TV_SOURCE_TUNER_CABLE);

    std::vector<double> wallMs, cpuUs;
    uint32_t locked = 0, next = 0;
    for (auto _ : state) {
        uint32_t channel = kChannels[next++ % std::size(kChannels)];
        uint64_t cpuBefore = ProcessCpuNs();
        auto start = std::chrono::steady_clock::now();
        int32_t result = tv.SetTVParam(TV_PARAM_CHANNEL, channel);
        auto end = std::chrono::steady_clock::now();
        uint64_t cpuAfter = ProcessCpuNs();
        double seconds = std::chrono::duration<double>(end - start).count();
        state.SetIterationTime(seconds);
        wallMs.push_back(seconds * 1e3);
        cpuUs.push_back(static_cast<double>(cpuAfter - cpuBefore) / 1e3);
        if (result == TV_OK) ++locked;
        else if (result != TV_ERR_NO_LOCK) state.SkipWithError("a tune was refused");
    }
    if (wallMs.empty()) return;
    state.counters["median_ms"] = Median(wallMs);
    state.counters["excess_median_us"] = (Median(wallMs) - kPauseMs) * 1e3;
    state.counters["excess_worst_us"] = (Max(wallMs) - kPauseMs) * 1e3;
    state.counters["cpu_median_us"] = Median(cpuUs);
    state.counters["cpu_worst_us"] = Max(cpuUs);
    state.counters["locked"] = locked;
}

}  // namespace

void RegisterTuneBenchmarks(const Options &options) {
    benchmark::RegisterBenchmark("tune/SetTVParam(2,n)", TuneLatency)
        ->Iterations(options.tunes)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

}  // namespace tvbench
