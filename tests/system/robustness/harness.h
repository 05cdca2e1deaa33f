// What the robustness tests share: the library loaded the way an
// application loads it (LoadLibraryA, exports by GetProcAddress), the
// simulated card and mixer reached through their own module files (the very
// instances the library talks to), and counts of what the process holds.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "tvcore.h"
#include "tvhost/win32.h"
#include "tvmixsim.h"
#include "tvsim.h"

// Records compare word by word (the record has no padding).
inline bool operator==(const TvMixerLine &a, const TvMixerLine &b) { return std::memcmp(&a, &b, sizeof a) == 0; }
void PrintTo(const TvMixerLine &line, std::ostream *out);

namespace robust {

// tvcore.so through the host loader, with every export looked up.
struct Library {
    HMODULE module = nullptr;
    PFN_SetTVParam setParam = nullptr;
    PFN_GetTVParam getParam = nullptr;
    PFN_I2C_Read read = nullptr;
    PFN_I2C_Write write = nullptr;
    PFN_I2C_WriteBlk writeBlk = nullptr;
    PFN_InitTVAudio initAudio = nullptr;
    PFN_SetTVVol setVol = nullptr;
    PFN_GetTVVol getVol = nullptr;
    PFN_SetTVMute setMute = nullptr;
    PFN_GetTVMute getMute = nullptr;

    // LoadLibraryA("tvcore.dll"); false (with nothing loaded) when the load
    // is refused or an export is missing.
    bool Load();
    // FreeLibrary; the answer of FreeLibrary (false when not loaded).
    bool Free();
    bool Loaded() const { return module != nullptr; }
};

// The simulated card's API (tvsim.h), from tvbus16.so in the module
// directory, opened once and kept open, so the card outlives every unload.
struct SimCard {
    decltype(&TvSimLogTotal) logTotal;
    decltype(&TvSimLogRead) logRead;
    decltype(&TvSimLogClear) logClear;
    decltype(&TvSimPowerOn) powerOn;
    decltype(&TvSimRestoreDefaults) restoreDefaults;
    decltype(&TvSimSetStations) setStations;
    decltype(&TvSimSetSettleMs) setSettleMs;
    decltype(&TvSimSetBusAvailable) setBusAvailable;
    decltype(&TvSimDecoderRegisters) decoderRegisters;
    decltype(&TvSimTunerState) tunerState;
    decltype(&TvSimFailTransaction) failTransaction;
    decltype(&TvSimFailDevice) failDevice;
    decltype(&TvSimClearFaults) clearFaults;
    decltype(&TvSimFaultsInjected) faultsInjected;

    // Transactions with sequence >= first (at most the ring's capacity).
    std::vector<TvSimTransaction> Log(uint64_t first = 0) const;
    uint8_t Register(uint8_t reg) const;
};
const SimCard &Card();

// The simulated mixer's API (tvmixsim.h), from tvmixsim.so likewise.
struct SimMixer {
    decltype(&TvMixSimCallCount) callCount;
    decltype(&TvMixSimGetCall) getCall;
    decltype(&TvMixSimClearCalls) clearCalls;
    decltype(&TvMixSimGetChannelValues) getValues;
    decltype(&TvMixSimSetChannelValues) setValues;
    decltype(&TvMixSimOpenCount) openCount;
    decltype(&TvMixSimReconfigure) reconfigure;
    decltype(&TvMixSimFailMessage) failMessage;
    decltype(&TvMixSimClearFaults) clearFaults;
    decltype(&TvMixSimFaultsInjected) faultsInjected;

    std::vector<TvMixSimCall> Log() const;
};
const SimMixer &Mixer();

// Host settings for a test: modules and the simulated mixer from the build
// tree, a fresh Windows directory, no debug output, the card and mixer at
// their defaults with empty logs and nothing armed.
void UseSimulatedHardware();

// Everything that a long run must give back, measured now.
struct Resources {
    uint64_t rssKiB = 0;       // resident set (/proc/self/statm)
    uint64_t heapBytes = 0;    // bytes allocated and not freed (allocator statistics)
    uint32_t fds = 0;          // open file descriptors (/proc/self/fd)
    uint32_t handles = 0;      // host kernel-object handles
    uint32_t translations = 0; // live 16:16 translations
    uint32_t mixerHandles = 0; // open host mixer handles
    uint32_t regions = 0;      // VirtualAlloc regions not released
    uint32_t modules = 0;      // modules loaded through LoadLibraryA

    static Resources Now();
};
std::ostream &operator<<(std::ostream &out, const Resources &r);

// A positive number from the environment, or `fallback` when unset, empty
// or not a number.
uint64_t Setting(const char *name, uint64_t fallback);

// True in a build with AddressSanitizer, where freed memory is held back
// (so the resident set grows by design) and runs are slower.
constexpr bool kUnderAsan =
#if defined(__SANITIZE_ADDRESS__)
    true;
#elif defined(__has_feature)
#  if __has_feature(address_sanitizer)
    true;
#  else
    false;
#  endif
#else
    false;
#endif

}  // namespace robust
