// What each exported call costs, through the library module and its link to
// the simulated card, beside the bus transactions it makes. Every call but a
// tune (see tune_bench.cpp) should cost little beyond its transactions, so
// each result carries the transactions counted in the card's log, the
// design's number, and the CPU time left over once the bare driver
// transactions (measured on their own, bus/...) are taken away.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench_env.h"
#include "benchmarks.h"

namespace tvbench {
namespace {

struct Transactions {
    uint32_t reads = 0, writes = 0, blocks = 0;
    uint32_t Total() const { return reads + writes + blocks; }
};

struct CallProbe {
    const char *name;
    void (*setUp)(const ModuleExports &tv, TvMixerLine &line);
    void (*call)(const ModuleExports &tv, TvMixerLine &line);
    Transactions designed;
    bool usesBus = true;  // the audio calls reach the mixer, never the bus
};

const uint8_t kTunerBlock[4] = {0x0D, 0xD0, 0x8E, 0x02};

void Nothing(const ModuleExports &, TvMixerLine &) {}
void CablePlan(const ModuleExports &tv, TvMixerLine &) { tv.SetTVParam(TV_PARAM_SOURCE, TV_SOURCE_TUNER_CABLE); }
void OpenAudio(const ModuleExports &tv, TvMixerLine &line) { tv.InitTVAudio(&line); }

const CallProbe kCalls[] = {
    {"SetTVParam(1,4)_source", Nothing, [](const ModuleExports &tv, TvMixerLine &) { tv.SetTVParam(1, 4); },
     {2, 2, 0}},
    {"SetTVParam(1,3)_refused_source", Nothing, [](const ModuleExports &tv, TvMixerLine &) { tv.SetTVParam(1, 3); },
     {2, 0, 0}},
    {"SetTVParam(2,126)_refused_channel", CablePlan,
     [](const ModuleExports &tv, TvMixerLine &) { tv.SetTVParam(2, 126); }, {0, 0, 0}},
    {"SetTVParam(3,200)_brightness", Nothing, [](const ModuleExports &tv, TvMixerLine &) { tv.SetTVParam(3, 200); },
     {0, 1, 0}},
    {"SetTVParam(4,200)_contrast", Nothing, [](const ModuleExports &tv, TvMixerLine &) { tv.SetTVParam(4, 200); },
     {1, 2, 0}},
    {"SetTVParam(5,200)_hue", Nothing, [](const ModuleExports &tv, TvMixerLine &) { tv.SetTVParam(5, 200); },
     {0, 1, 0}},
    {"SetTVParam(6,200)_saturation", Nothing, [](const ModuleExports &tv, TvMixerLine &) { tv.SetTVParam(6, 200); },
     {1, 3, 0}},
    {"SetTVParam(3,256)_refused_value", Nothing, [](const ModuleExports &tv, TvMixerLine &) { tv.SetTVParam(3, 256); },
     {0, 0, 0}},
    {"GetTVParam(2)", Nothing,
     [](const ModuleExports &tv, TvMixerLine &) { benchmark::DoNotOptimize(tv.GetTVParam(2)); }, {0, 0, 0}},
    {"I2C_Read(0x88,0x0B)", Nothing,
     [](const ModuleExports &tv, TvMixerLine &) { benchmark::DoNotOptimize(tv.I2C_Read(0x88, 0x0B)); }, {1, 0, 0}},
    {"I2C_Write(0x88,0x0A,v)", Nothing, [](const ModuleExports &tv, TvMixerLine &) { tv.I2C_Write(0x88, 0x0A, 0x10); },
     {0, 1, 0}},
    {"I2C_WriteBlk(0xC2,block,4)", Nothing,
     [](const ModuleExports &tv, TvMixerLine &) { tv.I2C_WriteBlk(0xC2, kTunerBlock, 4); }, {0, 0, 1}},
    {"InitTVAudio+mixerClose", Nothing,
     [](const ModuleExports &tv, TvMixerLine &line) {
         tv.InitTVAudio(&line);
         mixerClose(line.mixerHandle);  // the library never closes; the benchmark must, or the table fills
     },
     {0, 0, 0}, false},
    {"SetTVVol", OpenAudio, [](const ModuleExports &tv, TvMixerLine &line) { tv.SetTVVol(&line, 40000); }, {0, 0, 0},
     false},
    {"GetTVVol", OpenAudio,
     [](const ModuleExports &tv, TvMixerLine &line) { benchmark::DoNotOptimize(tv.GetTVVol(&line)); }, {0, 0, 0},
     false},
    {"SetTVMute", OpenAudio, [](const ModuleExports &tv, TvMixerLine &line) { tv.SetTVMute(&line, 1); }, {0, 0, 0},
     false},
    {"GetTVMute", OpenAudio,
     [](const ModuleExports &tv, TvMixerLine &line) { benchmark::DoNotOptimize(tv.GetTVMute(&line)); }, {0, 0, 0},
     false},
};

void MeasureCall(benchmark::State &state, const CallProbe &probe) {
    LoadedLibrary library;
    SimCard card;
    if (!ReadyOrSkip(state, library, card)) return;
    card.RestoreDefaults();
    TvMixerLine line{};
    probe.setUp(library.tv, line);
    const uint64_t transactionsBefore = card.LogTotal();
    const uint64_t start = ThreadCpuNs();
    for (auto _ : state) probe.call(library.tv, line);
    const double ns = static_cast<double>(ThreadCpuNs() - start);
    const double iterations = static_cast<double>(state.iterations());
    const double transactions = static_cast<double>(card.LogTotal() - transactionsBefore) / iterations;

    state.counters["bus_tx"] = transactions;
    state.counters["design_tx"] = probe.designed.Total();
    if (probe.usesBus) {
        const BusFloor &floor = MeasuredBusFloor();
        const double bare = probe.designed.reads * floor.readNs + probe.designed.writes * floor.writeNs +
                            probe.designed.blocks * floor.blockNs;
        state.counters["beyond_bus_ns"] = ns / iterations - bare;
    }
}

// The floor: one transaction of each kind straight into the driver, with no
// library (and, for the block, a translation made once outside the loop).
void BareDriver(benchmark::State &state, int kind) {
    SimCard card;
    if (!card.ok()) {
        state.SkipWithError("the simulated card's interface is missing");
        return;
    }
    const ThunkData16 &driver = card.Driver();
    DWORD block1616 = SMapLS_IP_EBP_12(kTunerBlock);
    for (auto _ : state) {
        uint32_t answer = kind == 0   ? driver.read(0x88, 0x0B)
                          : kind == 1 ? driver.write(0x88, 0x0A, 0x10)
                                      : driver.writeBlk(0xC2, block1616, 4);
        benchmark::DoNotOptimize(answer);
    }
    SUnMapLS_IP_EBP_12(block1616);
}

}  // namespace

void RegisterCallBenchmarks(const Options &) {
    benchmark::RegisterBenchmark("bus/driver_read_floor", BareDriver, 0);
    benchmark::RegisterBenchmark("bus/driver_write_floor", BareDriver, 1);
    benchmark::RegisterBenchmark("bus/driver_block_floor", BareDriver, 2);
    for (const CallProbe &probe : kCalls)
        benchmark::RegisterBenchmark((std::string("call/") + probe.name).c_str(), MeasureCall, probe);
}

}  // namespace tvbench
