// One frame of the simulated card's picture at 640x480, through the
// module's TvSimFrame: the registers copied under the card's lock and the
// frame rendered. A live view at 30000/1001 frames a second has 33.4 ms per
// frame; the goal is a few ms at most.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench_env.h"
#include "benchmarks.h"

namespace tvbench {
namespace {

struct FrameProbe {
    const char *name;
    uint32_t format;
    uint32_t channel;  // broadcast channel tuned: 7 has a station, 8 none (snow)
};

const FrameProbe kFrames[] = {
    {"frame/rgb24_640x480_test_card", TVSIM_FORMAT_RGB24, 7},
    {"frame/rgb24_640x480_snow", TVSIM_FORMAT_RGB24, 8},
    {"frame/yuyv_640x480_test_card", TVSIM_FORMAT_YUYV, 7},
};

void MeasureFrame(benchmark::State &state, const FrameProbe &probe) {
    LoadedLibrary library;
    SimCard card;
    if (!ReadyOrSkip(state, library, card)) return;
    card.RestoreDefaults();
    library.tv.SetTVParam(1, 5);
    library.tv.SetTVParam(2, probe.channel);
    TvSimFrameInfo info{};
    std::vector<uint8_t> buffer(card.Frame(0, probe.format, nullptr, 0, &info));
    const auto size = static_cast<uint32_t>(buffer.size());
    uint64_t frameNumber = 0;
    const uint64_t start = ThreadCpuNs();
    for (auto _ : state) {
        if (card.Frame(frameNumber++, probe.format, buffer.data(), size, nullptr) == 0) {
            state.SkipWithError("TvSimFrame refused the frame");
            return;
        }
        benchmark::DoNotOptimize(buffer.data());
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["cpu_ms"] = static_cast<double>(ThreadCpuNs() - start) / 1e6 / iterations;
    state.counters["locked"] = info.locked;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * info.size);
}

}  // namespace

void RegisterFrameBenchmarks(const Options &) {
    for (const FrameProbe &probe : kFrames)
        benchmark::RegisterBenchmark(probe.name, MeasureFrame, probe)->Unit(benchmark::kMillisecond);
}

}  // namespace tvbench
