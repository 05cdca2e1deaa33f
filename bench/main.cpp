// The benchmarks of the library: tune latency, the cost of each exported
// call beside its bus transactions, module load and unload, the board-file
// scan, and a frame of the simulated card's picture. Google Benchmark's own
// flags apply; besides them:
//   --tunes=N   tunes measured by the tune-latency benchmark (default 50)
// A benchmark that errors makes the program fail; a slow one never does.
// Colours are used when the output is a terminal (--benchmark_color is not
// looked at).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_env.h"
#include "benchmarks.h"

namespace {

// The console report, remembering whether any benchmark errored.
class ErrorNotingReporter : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, so a log or a CI record stays plain text.
    ErrorNotingReporter()
        : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs)
            if (run.error_occurred) errored = true;
        ConsoleReporter::ReportRuns(runs);
    }
    bool errored = false;
};

// Takes this program's own flags out of argv; false on a malformed one.
bool TakeOwnFlags(int &argc, char **argv, tvbench::Options &options) {
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (std::strncmp(arg, "--tunes=", 8) == 0) {
            char *end = nullptr;
            unsigned long tunes = std::strtoul(arg + 8, &end, 10);
            if (end == arg + 8 || *end != '\0' || tunes == 0 || tunes > 100000) {
                std::fprintf(stderr, "tvcore_bench: --tunes needs a count from 1 to 100000\n");
                return false;
            }
            options.tunes = static_cast<uint32_t>(tunes);
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    tvbench::Options options;
    if (!TakeOwnFlags(argc, argv, options)) return 2;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;

    tvbench::UseBuildTreeHost();
    tvbench::RegisterTuneBenchmarks(options);
    tvbench::RegisterCallBenchmarks(options);
    tvbench::RegisterLoadBenchmarks(options);
    tvbench::RegisterScanBenchmarks(options);
    tvbench::RegisterFrameBenchmarks(options);

    ErrorNotingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    if (reporter.errored) {
        std::fprintf(stderr, "tvcore_bench: a benchmark reported an error\n");
        return 1;
    }
    return 0;
}
