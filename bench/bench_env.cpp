#include "bench_env.h"

#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tvhost/diag.h"

namespace tvbench {
namespace {

// A board file of the usual shape: the standard board, so loading scans it
// to its entry and keeps the default wiring.
constexpr char kBoardFile[] =
    "/* board configuration */\r\n"
    "[SYSTEM]\r\n"
    "BoardType = STANDARD\r\n";

std::string MakeWindowsDir() {
    std::string dir = (std::filesystem::temp_directory_path() / "tvcore-bench-XXXXXX").string();
    if (mkdtemp(dir.data()) == nullptr) {
        std::perror("tvcore bench: no temporary directory");
        std::exit(1);
    }
    return dir;
}

// Removes the private Windows directory when the program ends.
struct WindowsDirKeeper {
    std::string dir;
    ~WindowsDirKeeper() {
        std::error_code ignored;
        if (!dir.empty()) std::filesystem::remove_all(dir, ignored);
    }
};

WindowsDirKeeper &Keeper() {
    static WindowsDirKeeper keeper;
    return keeper;
}

}  // namespace

void UseBuildTreeHost() {
    Keeper().dir = MakeWindowsDir();
    std::ofstream(Keeper().dir + "/vidcfg.ini", std::ios::binary) << kBoardFile;
    setenv("TVHOST_PATH", TVCORE_BENCH_MODULE_DIR, 1);
    setenv("TVHOST_WINDIR", Keeper().dir.c_str(), 1);
    setenv("TVHOST_MIXERS", "tvmixsim", 1);
    unsetenv("TVHOST_DEBUG");
    // The simulated devices keep no state file: the figures measure the calls,
    // not the user's runtime directory, and no run inherits another's registers.
    setenv("TVSIM_STATE", "off", 1);
    setenv("TVMIXSIM_STATE", "off", 1);
}

const std::string &WindowsDir() { return Keeper().dir; }

LoadedLibrary::LoadedLibrary() {
    HeldModule module(LoadLibraryA("tvcore.dll"));
    if (module == nullptr) {
        error_ = std::string("LoadLibraryA(tvcore.dll) failed: ") + TvHostLastLoadError();
        return;
    }
    if (!ResolveExports(module.get(), tv)) {
        tv = ModuleExports{};
        error_ = "tvcore.so lacks an exported call";
        return;
    }
    held_ = std::move(module);
}

SimCard::SimCard() {
    HeldModule module(LoadLibraryA(TVCORE_BENCH_MODULE_DIR "/tvbus16.so"));
    if (module == nullptr) return;
    if (Resolve(module.get(), "thk_ThunkData16", driver_) && Resolve(module.get(), "TvSimLogTotal", logTotal_) &&
        Resolve(module.get(), "TvSimRestoreDefaults", restoreDefaults_) && Resolve(module.get(), "TvSimFrame", frame_))
        module_ = std::move(module);
}

bool ReadyOrSkip(benchmark::State &state, const LoadedLibrary &library, const SimCard &card) {
    if (library.ok() && card.ok()) return true;
    state.SkipWithError(library.ok() ? "the simulated card's interface is missing" : library.error().c_str());
    return false;
}

const BusFloor &MeasuredBusFloor() {
    static const BusFloor floor = [] {
        BusFloor measured;
        SimCard card;
        if (!card.ok()) return measured;
        const ThunkData16 &driver = card.Driver();
        constexpr int kRounds = 200000;
        static const uint8_t block[4] = {0x0D, 0xD0, 0x8E, 0x02};
        DWORD block1616 = SMapLS_IP_EBP_12(block);
        auto perCall = [](auto &&transaction) {
            transaction();  // warm
            uint64_t start = ThreadCpuNs();
            for (int i = 0; i < kRounds; ++i) transaction();
            return static_cast<double>(ThreadCpuNs() - start) / kRounds;
        };
        measured.readNs = perCall([&] {
            uint32_t answer = driver.read(0x88, 0x0B);
            benchmark::DoNotOptimize(answer);
        });
        measured.writeNs = perCall([&] {
            uint32_t answer = driver.write(0x88, 0x0A, 0x00);
            benchmark::DoNotOptimize(answer);
        });
        measured.blockNs = perCall([&] {
            uint32_t answer = driver.writeBlk(0xC2, block1616, 4);
            benchmark::DoNotOptimize(answer);
        });
        SUnMapLS_IP_EBP_12(block1616);
        return measured;
    }();
    return floor;
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double Max(const std::vector<double> &values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

namespace {

uint64_t ClockNs(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

}  // namespace

uint64_t ProcessCpuNs() { return ClockNs(CLOCK_PROCESS_CPUTIME_ID); }

uint64_t ThreadCpuNs() { return ClockNs(CLOCK_THREAD_CPUTIME_ID); }

}  // namespace tvbench
