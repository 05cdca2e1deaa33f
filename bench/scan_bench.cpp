// The board-file scan, ScanBoardConfig, on texts of 256 to 4096 bytes: an
// ordinary file and texts made to be hard for a scanner that looks for
// keywords at every position (long runs of the keywords' first bytes, near
// misses of the key and the header, comment marks, many empty lines, a key
// followed by a run of spaces). Each result carries ns_per_byte (CPU time),
// so the sizes of one text side by side show whether the cost is linear in
// the size.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "bench_env.h"
#include "benchmarks.h"
#include "tvcore/card/board_scan.h"

namespace tvbench {
namespace {

using tvcore::card::ScanBoardConfig;

// Lines repeated up to the size; the text always ends with a line feed, so
// every byte is scanned.
std::string Fill(const std::string &head, const std::string &line, uint32_t size) {
    std::string text = head;
    while (text.size() + line.size() <= size) text += line;
    if (text.size() < size) text += std::string(size - text.size() - 1, ' ') + "\n";
    return text.substr(0, size);
}

// One line of `fill` bytes after a header line, ending with a line feed.
std::string Run(const std::string &head, char fill, uint32_t size) {
    return head + std::string(size - head.size() - 1, fill) + "\n";
}

// An ordinary file: comments, other sections and keys, the SYSTEM section
// with entries of its own, and no BoardType entry (so the scan goes to the
// end, as it does on a standard board's file without the key).
const char kOrdinaryChunk[] =
    "/* Video capture settings, written by the setup program.\r\n"
    "   Change them with the control panel, not by hand. */\r\n"
    "[DISPLAY]\r\n"
    "Overlay = 1\r\n"
    "ColorKey = 0x00FF00FF\r\n"
    "[SYSTEM]\r\n"
    "Port = 0x280   /* the card's I/O base */\r\n"
    "Irq = 10\r\n"
    "Tuner = NTSC_M\r\n"
    "\r\n";

struct Text {
    const char *name;  // a word, so that --benchmark_filter can pick it
    std::string (*make)(uint32_t size);
};

const Text kTexts[] = {
    {"ordinary", [](uint32_t size) { return Fill("", kOrdinaryChunk, size); }},
    {"slash_run", [](uint32_t size) { return Run("[SYSTEM]\n", '/', size); }},
    {"star_run_in_comment", [](uint32_t size) { return Run("[SYSTEM]\n/*", '*', size); }},
    {"bracket_run_in_section", [](uint32_t size) { return Run("[SYSTEM]\n", '[', size); }},
    {"near_miss_key", [](uint32_t size) { return Fill("[SYSTEM]\n", "BoardTypBoardTypBoardTyp\n", size); }},
    {"near_miss_header", [](uint32_t size) { return Fill("", "[SYSTE[SYSTE[SYSTE[SYSTE\n", size); }},
    {"comment_marks", [](uint32_t size) { return Fill("[SYSTEM]\n", "/*/ */ /**/ */ /*\n", size); }},
    {"empty_lines", [](uint32_t size) { return Run("", '\n', size); }},
    {"key_spaces_no_equals",
     [](uint32_t size) { return Fill("[SYSTEM]\n", "BoardType" + std::string(54, ' ') + "\n", size); }},
};

constexpr uint32_t kSizes[] = {256, 512, 1024, 2048, 4096};

void Scan(benchmark::State &state, const Text *kind, uint32_t size) {
    const std::string text = kind->make(size);
    if (text.size() != size || text.back() != '\n' || ScanBoardConfig(text.data(), size)) {
        state.SkipWithError("the text is not what the benchmark means to scan");
        return;
    }
    const uint64_t start = ThreadCpuNs();
    for (auto _ : state) {
        bool found = ScanBoardConfig(text.data(), size);
        benchmark::DoNotOptimize(found);
    }
    const double ns = static_cast<double>(ThreadCpuNs() - start);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * size);
    state.counters["ns_per_byte"] = ns / (static_cast<double>(state.iterations()) * size);
}

}  // namespace

void RegisterScanBenchmarks(const Options &) {
    for (const Text &kind : kTexts)
        for (uint32_t size : kSizes)
            benchmark::RegisterBenchmark((std::string("scan/") + kind.name + "/" + std::to_string(size)).c_str(), Scan,
                                         &kind, size);
}

}  // namespace tvbench
