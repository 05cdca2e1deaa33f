#include "harness.h"

#include <malloc.h>
#include <stdlib.h>

#include <fstream>

#include "support/test_env.h"
#include "tvhost/diag.h"

#if defined(__SANITIZE_ADDRESS__)
#  define ROBUST_ASAN_ALLOCATOR 1
#elif defined(__has_feature)
#  if __has_feature(address_sanitizer)
#    define ROBUST_ASAN_ALLOCATOR 1
#  endif
#endif
#ifdef ROBUST_ASAN_ALLOCATOR
// The sanitizer runtime's count of bytes allocated and not freed (declared
// here: not every compiler ships the header that declares it).
extern "C" size_t __sanitizer_get_current_allocated_bytes(void);
#endif

void PrintTo(const TvMixerLine &line, std::ostream *out) {
    *out << std::hex << "{handle 0x" << line.mixerHandle << ", left 0x" << line.leftVolume << ", right 0x"
         << line.rightVolume << ", min 0x" << line.volumeMin << ", max 0x" << line.volumeMax << ", channels 0x"
         << line.channelCount << ", volume id 0x" << line.volumeControlId << ", mute id 0x" << line.muteControlId
         << "}" << std::dec;
}

namespace robust {
namespace {

template <typename Function>
bool Export(HMODULE module, const char *name, Function &slot) {
    FARPROC address = GetProcAddress(module, name);
    slot = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
    return address != nullptr;
}

}  // namespace

bool Library::Load() {
    module = LoadLibraryA("tvcore.dll");
    if (module == nullptr) return false;
    bool all = true;
#define ROBUST_EXPORT(name, result, argumentBytes, parameters) all = all && Export(module, #name, name);
    TVCORE_EXPORTED_FUNCTIONS(ROBUST_EXPORT)
#undef ROBUST_EXPORT
    if (!all) Free();
    return all;
}

bool Library::Free() {
    if (module == nullptr) return false;
    BOOL freed = FreeLibrary(module);
    *this = Library{};
    return freed != FALSE;
}

std::vector<TvSimTransaction> CardLog(uint64_t first) {
    std::vector<TvSimTransaction> entries(TVSIM_LOG_CAPACITY);
    entries.resize(Card().LogRead(first, entries.data(), TVSIM_LOG_CAPACITY));
    return entries;
}

uint8_t CardRegister(uint8_t reg) {
    uint8_t registers[256];
    Card().DecoderRegisters(registers);
    return registers[reg];
}

void UseSimulatedHardware() {
    tvtest::UseBuildTreeHost();
    for (const char *setting : {"TVSIM_BUS", "TVSIM_STATIONS", "TVSIM_SETTLE_MS", "TVMIXSIM_DEVICES",
                                "TVMIXSIM_NO_AUX", "TVMIXSIM_NO_VOLUME", "TVMIXSIM_NO_MUTE", "TVMIXSIM_VOLUME_MIN",
                                "TVMIXSIM_VOLUME_MAX", "TVMIXSIM_OPEN_RESULT"})
        unsetenv(setting);
    setenv("TVHOST_MIXERS", "tvmixsim", 1);
    const tvtest::SimCardApi &card = Card();
    card.RestoreDefaults();
    card.PowerOn();
    card.LogClear();
    Mixer().reconfigure();
    TvHostMixerReset();
}

Resources Resources::Now() {
    Resources r;
    std::ifstream statm("/proc/self/statm");
    uint64_t sizePages = 0, residentPages = 0;
    statm >> sizePages >> residentPages;
    r.rssKiB = residentPages * static_cast<uint64_t>(sysconf(_SC_PAGESIZE)) / 1024;
#ifdef ROBUST_ASAN_ALLOCATOR
    r.heapBytes = __sanitizer_get_current_allocated_bytes();
#else
    r.heapBytes = mallinfo2().uordblks;
#endif
    r.fds = tvtest::OpenFdCount();
    r.host = tvtest::HostTables::Now();
    return r;
}

std::ostream &operator<<(std::ostream &out, const Resources &r) {
    return out << "rss " << r.rssKiB << " KiB, heap " << r.heapBytes << " B, fds " << r.fds << ", " << r.host;
}

uint64_t Setting(const char *name, uint64_t fallback) {
    const char *text = getenv(name);
    if (text == nullptr || *text == '\0') return fallback;
    char *end = nullptr;
    unsigned long long value = strtoull(text, &end, 10);
    return *end == '\0' && value > 0 ? value : fallback;
}

}  // namespace robust
