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

#include "support/host_tables.h"
#include "support/sim_mixer_client.h"
#include "support/simcard_access.h"
#include "tvcore.h"
#include "tvhost/diag.h"
#include "tvhost/win32.h"
#include "tvmixsim.h"
#include "tvsim.h"

// Records compare word by word (the record has no padding).
inline bool operator==(const TvMixerLine &a, const TvMixerLine &b) { return std::memcmp(&a, &b, sizeof a) == 0; }
void PrintTo(const TvMixerLine &line, std::ostream *out);

namespace robust {

// tvcore.so through the host loader, with every exported function of
// tvcore_exports.h looked up under its own name.
struct Library {
    HMODULE module = nullptr;
#define ROBUST_EXPORT_POINTER(name, result, argumentBytes, parameters) PFN_##name name = nullptr;
    TVCORE_EXPORTED_FUNCTIONS(ROBUST_EXPORT_POINTER)
#undef ROBUST_EXPORT_POINTER

    // LoadLibraryA("tvcore.dll"); false (with nothing loaded) when the load
    // is refused or an export is missing.
    bool Load();
    // FreeLibrary; the answer of FreeLibrary (false when not loaded).
    bool Free();
    bool Loaded() const { return module != nullptr; }
};

// The simulated card's and mixer's APIs from their module files in the
// module directory, opened once and kept open, so they outlive every unload.
inline const tvtest::SimCardApi &Card() { return tvtest::SimCard(); }
inline const tvtest::SimMixerApi &Mixer() { return tvtest::SimMixer(); }
// The card's transactions with sequence >= first (at most the ring's
// capacity), and one decoder register now.
std::vector<TvSimTransaction> CardLog(uint64_t first = 0);
uint8_t CardRegister(uint8_t reg);

// Host settings for a test: modules and the simulated mixer from the build
// tree, a fresh Windows directory, no debug output, the card and mixer at
// their defaults with empty logs and nothing armed.
void UseSimulatedHardware();

// A test with the library loaded on the simulated hardware, freed after it
// (when the test left it loaded) with every translation given back.
class LoadedLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseSimulatedHardware();
        ASSERT_TRUE(lib.Load()) << TvHostLastLoadError();
    }
    void TearDown() override {
        if (lib.Loaded()) {
            EXPECT_TRUE(lib.Free());
        }
        EXPECT_EQ(TvHostLiveTranslations(), 0u);
        UseSimulatedHardware();
    }

    Library lib;
};

// Everything that a long run must give back, measured now.
struct Resources {
    uint64_t rssKiB = 0;       // resident set (/proc/self/statm)
    uint64_t heapBytes = 0;    // bytes allocated and not freed (allocator statistics)
    uint32_t fds = 0;          // open file descriptors (/proc/self/fd)
    tvtest::HostTables host;   // the host's handles, regions, translations, mixer handles, modules

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
