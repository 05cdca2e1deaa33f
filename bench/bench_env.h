// What every benchmark shares: the host settings of the build tree, the
// library module loaded as an application loads it, the simulated card's own
// interface, and the statistics of per-iteration samples.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "module_exports.h"
#include "tvhost/thunk.h"
#include "tvhost/win32.h"
#include "tvsim.h"

namespace tvbench {

struct Options {
    uint32_t tunes = 50;  // tunes measured by the tune-latency benchmark
};

// Points the host at this build tree's modules, a private Windows directory
// that holds a board file (so every load reads and scans one), the simulated
// mixer, and no debug output. Call once, before any host service is used.
void UseBuildTreeHost();

// The private Windows directory.
const std::string &WindowsDir();

// A module loaded with LoadLibraryA, freed with its holder.
struct FreeModule {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using HeldModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, FreeModule>;

// The library loaded with LoadLibraryA for as long as the object lives.
class LoadedLibrary {
public:
    LoadedLibrary();

    // Empty when the load (or an export's lookup) failed; then error() says why.
    bool ok() const { return tv.module != nullptr; }
    const std::string &error() const { return error_; }

    ModuleExports tv;

private:
    HeldModule held_;
    std::string error_;
};

// The simulated card's interface from tvbus16.so, loaded with LoadLibraryA
// for as long as the object lives (the same card the library's link reaches).
class SimCard {
public:
    SimCard();

    bool ok() const { return module_ != nullptr; }
    uint64_t LogTotal() const { return logTotal_(); }
    void RestoreDefaults() const { restoreDefaults_(); }
    uint32_t Frame(uint64_t frameNumber, uint32_t format, void *buffer, uint32_t size, TvSimFrameInfo *info) const {
        return frame_(frameNumber, format, buffer, size, info);
    }
    // The driver's link block: its bus calls, without the library in front.
    const ThunkData16 &Driver() const { return *driver_; }

private:
    HeldModule module_;
    uint64_t (*logTotal_)(void) = nullptr;
    void (*restoreDefaults_)(void) = nullptr;
    uint32_t (*frame_)(uint64_t, uint32_t, void *, uint32_t, TvSimFrameInfo *) = nullptr;
    const ThunkData16 *driver_ = nullptr;
};

// Whether the library and the card's interface are there; when not, the
// benchmark is skipped with the reason.
bool ReadyOrSkip(benchmark::State &state, const LoadedLibrary &library, const SimCard &card);

// CPU nanoseconds of one bare driver transaction of each kind on the
// simulated card, measured once: the floor under any call that makes it.
struct BusFloor {
    double readNs = 0;
    double writeNs = 0;
    double blockNs = 0;
};
const BusFloor &MeasuredBusFloor();

double Median(std::vector<double> values);
double Max(const std::vector<double> &values);

// CPU time used by the whole process so far, in nanoseconds.
uint64_t ProcessCpuNs();

// CPU time used by the calling thread so far, in nanoseconds. Per-call
// figures are taken from it: on a machine shared with other work it is
// disturbed far less than wall time.
uint64_t ThreadCpuNs();

}  // namespace tvbench
