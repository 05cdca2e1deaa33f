#include "harness.h"

#include <dlfcn.h>
#include <malloc.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
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

void *OpenModule(const char *file) {
    std::string path = tvtest::ModuleDir() + "/" + file;
    void *module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), dlerror());
        std::abort();
    }
    return module;
}

template <typename Function>
void Resolve(void *module, const char *name, Function &slot) {
    void *symbol = dlsym(module, name);
    if (symbol == nullptr) {
        std::fprintf(stderr, "missing %s\n", name);
        std::abort();
    }
    slot = reinterpret_cast<Function>(symbol);
}

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
    bool all = Export(module, "SetTVParam", setParam) && Export(module, "GetTVParam", getParam) &&
               Export(module, "I2C_Read", read) && Export(module, "I2C_Write", write) &&
               Export(module, "I2C_WriteBlk", writeBlk) && Export(module, "InitTVAudio", initAudio) &&
               Export(module, "SetTVVol", setVol) && Export(module, "GetTVVol", getVol) &&
               Export(module, "SetTVMute", setMute) && Export(module, "GetTVMute", getMute);
    if (!all) Free();
    return all;
}

bool Library::Free() {
    if (module == nullptr) return false;
    BOOL freed = FreeLibrary(module);
    *this = Library{};
    return freed != FALSE;
}

std::vector<TvSimTransaction> SimCard::Log(uint64_t first) const {
    std::vector<TvSimTransaction> entries(TVSIM_LOG_CAPACITY);
    entries.resize(logRead(first, entries.data(), TVSIM_LOG_CAPACITY));
    return entries;
}

uint8_t SimCard::Register(uint8_t reg) const {
    uint8_t registers[256];
    decoderRegisters(registers);
    return registers[reg];
}

const SimCard &Card() {
    static const SimCard card = [] {
        void *module = OpenModule("tvbus16.so");
        SimCard api{};
        Resolve(module, "TvSimLogTotal", api.logTotal);
        Resolve(module, "TvSimLogRead", api.logRead);
        Resolve(module, "TvSimLogClear", api.logClear);
        Resolve(module, "TvSimPowerOn", api.powerOn);
        Resolve(module, "TvSimRestoreDefaults", api.restoreDefaults);
        Resolve(module, "TvSimSetStations", api.setStations);
        Resolve(module, "TvSimSetSettleMs", api.setSettleMs);
        Resolve(module, "TvSimSetBusAvailable", api.setBusAvailable);
        Resolve(module, "TvSimDecoderRegisters", api.decoderRegisters);
        Resolve(module, "TvSimTunerState", api.tunerState);
        Resolve(module, "TvSimFailTransaction", api.failTransaction);
        Resolve(module, "TvSimFailDevice", api.failDevice);
        Resolve(module, "TvSimClearFaults", api.clearFaults);
        Resolve(module, "TvSimFaultsInjected", api.faultsInjected);
        return api;
    }();
    return card;
}

std::vector<TvMixSimCall> SimMixer::Log() const {
    std::vector<TvMixSimCall> calls(callCount());
    for (uint32_t i = 0; i < calls.size(); ++i) getCall(i, &calls[i]);
    return calls;
}

const SimMixer &Mixer() {
    static const SimMixer mixer = [] {
        void *module = OpenModule("tvmixsim.so");
        SimMixer api{};
        Resolve(module, "TvMixSimCallCount", api.callCount);
        Resolve(module, "TvMixSimGetCall", api.getCall);
        Resolve(module, "TvMixSimClearCalls", api.clearCalls);
        Resolve(module, "TvMixSimGetChannelValues", api.getValues);
        Resolve(module, "TvMixSimSetChannelValues", api.setValues);
        Resolve(module, "TvMixSimOpenCount", api.openCount);
        Resolve(module, "TvMixSimReconfigure", api.reconfigure);
        Resolve(module, "TvMixSimFailMessage", api.failMessage);
        Resolve(module, "TvMixSimClearFaults", api.clearFaults);
        Resolve(module, "TvMixSimFaultsInjected", api.faultsInjected);
        return api;
    }();
    return mixer;
}

void UseSimulatedHardware() {
    tvtest::UseBuildTreeHost();
    for (const char *setting : {"TVSIM_BUS", "TVSIM_STATIONS", "TVSIM_SETTLE_MS", "TVMIXSIM_DEVICES",
                                "TVMIXSIM_NO_AUX", "TVMIXSIM_NO_VOLUME", "TVMIXSIM_NO_MUTE", "TVMIXSIM_VOLUME_MIN",
                                "TVMIXSIM_VOLUME_MAX", "TVMIXSIM_OPEN_RESULT"})
        unsetenv(setting);
    setenv("TVHOST_MIXERS", "tvmixsim", 1);
    const SimCard &card = Card();
    card.restoreDefaults();
    card.powerOn();
    card.logClear();
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
    for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator("/proc/self/fd")) ++r.fds;
    r.handles = TvHostOpenHandleCount();
    r.translations = TvHostLiveTranslations();
    r.mixerHandles = TvHostOpenMixerHandles();
    r.regions = TvHostLiveRegions();
    r.modules = TvHostLoadedModuleCount();
    return r;
}

std::ostream &operator<<(std::ostream &out, const Resources &r) {
    return out << "rss " << r.rssKiB << " KiB, heap " << r.heapBytes << " B, fds " << r.fds << ", handles "
               << r.handles << ", translations " << r.translations << ", mixer handles " << r.mixerHandles
               << ", regions " << r.regions << ", modules " << r.modules;
}

uint64_t Setting(const char *name, uint64_t fallback) {
    const char *text = getenv(name);
    if (text == nullptr || *text == '\0') return fallback;
    char *end = nullptr;
    unsigned long long value = strtoull(text, &end, 10);
    return *end == '\0' && value > 0 ? value : fallback;
}

}  // namespace robust
