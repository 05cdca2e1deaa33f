// Module load and unload as an application does them: LoadLibraryA of
// tvcore.dll (the host finds and maps tvcore.so, the entry routine connects
// the link, which maps the bus driver, builds the band tables and reads the
// board file from the Windows directory), then FreeLibrary (the entry
// routine lets the link and the driver go). Timed one pair at a time; the
// median and the worst are reported beside the mean.
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "bench_env.h"
#include "benchmarks.h"

namespace tvbench {
namespace {

void LoadAndUnload(benchmark::State &state) {
    std::vector<double> us;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        HMODULE module = LoadLibraryA("tvcore.dll");
        bool freed = module != nullptr && FreeLibrary(module);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!freed) {
            state.SkipWithError("LoadLibraryA or FreeLibrary of tvcore.dll failed");
            break;
        }
        state.SetIterationTime(seconds);
        us.push_back(seconds * 1e6);
    }
    state.counters["median_us"] = Median(us);
    state.counters["worst_us"] = Max(us);
}

// The same with the bus driver already loaded by someone else (here the
// benchmark itself), which leaves out the driver's own load: what remains is
// the share of the load that belongs to the library and the host loader.
void LoadAndUnloadDriverResident(benchmark::State &state) {
    SimCard residentDriver;
    if (!residentDriver.ok()) {
        state.SkipWithError("the simulated card's interface is missing");
        return;
    }
    LoadAndUnload(state);
}

}  // namespace

void RegisterLoadBenchmarks(const Options &) {
    benchmark::RegisterBenchmark("load/LoadLibraryA+FreeLibrary", LoadAndUnload)
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("load/LoadLibraryA+FreeLibrary/driver_resident", LoadAndUnloadDriverResident)
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond);
}

}  // namespace tvbench
