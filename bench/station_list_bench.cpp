// tvctl's station list at the sizes a list may reach (up to some 100,000
// stations in its 8 MiB): reading it and finding a station (tvctl tune
// NAME), reading it and putting each station in words (tvctl stations), and
// a rescan's merge and write (tvctl scan --save). Each must grow linearly
// with the list: the items_per_second counter (stations per second) stays
// about the same from 10,000 stations to 100,000.
#include <benchmark/benchmark.h>
#include <fmt/format.h>
#include <stdlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "plan_info.h"
#include "safe_file.h"
#include "station_list.h"

namespace {

using namespace tvctl;

// A list of `count` stations, cable channels and frequencies in turn, with
// comments among them, written to a file of its own.
std::string MakeList(int64_t count) {
    static std::string dir = [] {
        std::string name = "/tmp/tvctl-bench-XXXXXX";
        return mkdtemp(name.data()) != nullptr ? name : std::string("/tmp");
    }();
    std::string path = fmt::format("{}/stations-{}", dir, count);
    std::string text = "# a large list\n";
    for (int64_t i = 0; i < count; ++i) {
        if (i % 100 == 0) text += "# a comment\n";
        text += i % 2 == 0 ? fmt::format("\"Station {}\" cable {} +1\n", i, 1 + i % 125)
                           : fmt::format("Station-{} freq {}.25\n", i, 100 + i % 700);
    }
    std::string error;
    if (!WriteFileAtomically(path, text, &error)) std::fprintf(stderr, "%s\n", error.c_str());
    return path;
}

// Stations per second: flat from 10,000 stations to 100,000 when linear.
void PerStation(benchmark::State &state) { state.SetItemsProcessed(state.iterations() * state.range(0)); }

void TuneByName(benchmark::State &state) {
    const std::string path = MakeList(state.range(0));
    const std::string last = fmt::format("Station-{}", state.range(0) - 1);
    for (auto _ : state) {
        std::string error;
        std::optional<StationList> list = LoadStations(path, &error);
        if (!list || FindStation(*list, last) == nullptr) return state.SkipWithError("the last station is not found");
        benchmark::DoNotOptimize(list);
    }
    PerStation(state);
}

void ListStations(benchmark::State &state) {
    const std::string path = MakeList(state.range(0));
    for (auto _ : state) {
        std::string error;
        std::optional<StationList> list = LoadStations(path, &error);
        if (!list) return state.SkipWithError(error.c_str());
        size_t bytes = 0;
        for (const Station &station : list->stations) bytes += Printable(station.name).size() + StationWhere(station).size();
        benchmark::DoNotOptimize(bytes);
    }
    PerStation(state);
}

void RescanAndSave(benchmark::State &state) {
    const std::string path = MakeList(state.range(0));
    std::vector<std::string> scanned, locked;
    for (uint32_t channel = 1; channel <= 125; ++channel) {
        scanned.push_back(std::to_string(channel));
        if (channel % 2 == 1) locked.push_back(scanned.back());
    }
    const std::string copy = path + ".saved";  // each round starts from the full list again
    for (auto _ : state) {
        std::string error;
        std::optional<StationList> list = LoadStations(path, &error);
        if (!list) return state.SkipWithError(error.c_str());
        ScanMerge merge = MergeScan(*list, CablePlan(), scanned, locked);
        if (!WriteFileAtomically(copy, merge.text, &error)) return state.SkipWithError(error.c_str());
    }
    PerStation(state);
}

BENCHMARK(TuneByName)->Name("stations/tune_by_name")->Arg(10'000)->Arg(30'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(ListStations)->Name("stations/list")->Arg(10'000)->Arg(30'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(RescanAndSave)->Name("stations/rescan_save")->Arg(10'000)->Arg(30'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
