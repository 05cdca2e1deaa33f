// A channel plan's scan on the simulated card, the standard way (SetTVParam
// and its fixed pause per channel) against the fast way (the tuner block and
// polling the lock bit), on one loaded library, as tvctl scan and scan
// --fast do it. Counters: each scan's seconds, the ratio fast/standard (the
// goal: at most 0.25) and the simulated tuner's settle time (TVSIM_SETTLE_MS,
// default 40 ms, which no scan can beat per empty channel). A run in which
// the two scans find other stations is an error.
#include <benchmark/benchmark.h>

#include <string>

#include "console.h"
#include "plan_info.h"
#include "scan.h"
#include "session.h"
#include "tune_ops.h"

namespace {

using namespace tvctl;

void ScanRatio(benchmark::State &state) {
    GlobalOptions options;
    options.json = true;  // the session says nothing
    const Console console(true);
    Session session(options, console);
    Reply reply;
    const TvCalls *tv = session.Library(reply);
    if (tv == nullptr || !EnsureLibrarySource(session, *tv, Source::Cable, reply) || session.Card() == nullptr) {
        state.SkipWithError(reply.ok ? "the bus is not the simulated card" : reply.error.c_str());
        return;
    }
    ScanOptions scan;
    scan.plan = CablePlan();
    scan.first = std::to_string(state.range(0));
    scan.last = std::to_string(state.range(1));
    scan.tunerStatus = true;  // on the simulated card, as tvctl scan --fast does
    for (auto _ : state) {
        scan.fast = false;
        ScanResult standard = RunScan(*tv, session.Words(), scan, nullptr);
        scan.fast = true;
        ScanResult fast = RunScan(*tv, session.Words(), scan, nullptr);
        if (!standard.error.empty() || !fast.error.empty()) {
            state.SkipWithError(("a scan stopped: " + standard.error + fast.error).c_str());
            return;
        }
        if (ChannelNames(standard, true) != ChannelNames(fast, true)) {
            state.SkipWithError("the fast scan found other stations than the standard scan");
            return;
        }
        state.counters["standard_s"] = standard.seconds;
        state.counters["fast_s"] = fast.seconds;
        state.counters["ratio"] = standard.seconds > 0 ? fast.seconds / standard.seconds : 0;
        state.counters["stations"] = static_cast<double>(ChannelNames(fast, true).size());
    }
    state.counters["settle_ms"] = session.Card()->GetSettleMs();
}

// A few channels (quick), and the whole cable plan.
BENCHMARK(ScanRatio)->Args({2, 13})->Args({1, 125})->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
