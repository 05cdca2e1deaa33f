#include "session.h"

#include <fmt/format.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "driver_i2cdev.h"
#include "driver_v4l2.h"
#include "module_lookup.h"
#include "plan_info.h"
#include "tuner_record_key.h"
#include "tvhost/diag.h"

namespace tvctl {

const char *SourceName(Source source) {
    switch (source) {
        case Source::Composite: return "composite";
        case Source::SVideo: return "svideo";
        case Source::Cable: return "cable";
        case Source::Broadcast: return "broadcast";
    }
    return "?";
}

Session::Session(const GlobalOptions &options, const Console &console)
    : tunerFile(TunerStatePath(TunerRecordFileName(RecordKeyOfHost(options.host)))), options_(options), console_(console), host_(PrepareHost(options.host)) {
    ReloadTuner();
}

void Session::ReloadTuner() {
    if (!tunerFile.empty()) tuner = LoadTunerMemory(tunerFile, &tunerFileProblem);
    struct stat record {};
    if (options_.defaults.plan && (tunerFile.empty() || lstat(tunerFile.c_str(), &record) != 0))
        tuner = TunerMemory{"tuner", *options_.defaults.plan};  // no record yet: the settings' plan
    source = tuner.source == "composite" ? Source::Composite
             : tuner.source == "svideo"  ? Source::SVideo
             : PlanByNumber(tuner.plan).value_or(CablePlan()).cableInput ? Source::Cable
                                                                          : Source::Broadcast;
}

Session::~Session() {
    // The library first: its unload closes the mixer it opened and lets its
    // bus driver go; then the driver modules tvctl looked into.
    if (library_ != nullptr) FreeLibrary(library_);
    if (busModule_ != nullptr) FreeLibrary(busModule_);
    if (mixerModule_ != nullptr) FreeLibrary(mixerModule_);
    ReleaseHost(host_);
}

const TvCalls *Session::Library(Reply &reply) {
    if (library_ == nullptr && !loadFailed_) Load();
    if (library_ != nullptr) return &calls_;
    reply.Fail(loadFailure_.error, loadFailure_.exitCode);
    reply.details = loadFailure_.details;
    return nullptr;
}

void Session::Load() {
    if (!host_.error.empty()) {
        loadFailure_.Fail(host_.error, kExitNoLibrary);
    } else if (HMODULE module = LoadLibraryA("tvcore.dll"); module == nullptr) {
        DWORD error = GetLastError();
        loadFailure_.Fail(fmt::format("tvcore.dll could not be loaded: {} (error {})", TvHostLastLoadError(), error),
                          kExitNoLibrary);
        Explain(loadFailure_, error == ERROR_DLL_INIT_FAILED);
    } else {
        library_ = module;
        const char *missing = nullptr;
#define TVCTL_FIND_CALL(name, result, argumentBytes, parameters) \
    if (!LookUp(module, #name, calls_.name)) missing = #name;
        TVCORE_EXPORTED_FUNCTIONS(TVCTL_FIND_CALL)
#undef TVCTL_FIND_CALL
        if (missing != nullptr) {
            FreeLibrary(module);
            library_ = nullptr;
            loadFailure_.Fail(fmt::format("tvcore.dll does not export {}: not a library tvctl can use", missing),
                              kExitNoLibrary);
        }
    }
    loadFailed_ = library_ == nullptr;
    if (loadFailed_) return;

    // The bus driver the link loaded: the same module file, found on the
    // same module path, counted once more by the loader.
    busModule_ = LoadLibraryA("tvbus16.dll");
    if (busModule_ != nullptr) {
        cardReady_ = FindSimCard(busModule_, card_);
        busWords_ = FindBusWords(busModule_);
    }
}

void Session::Explain(Reply &reply, bool refused) {
    std::vector<std::string> lines = TakeDebugLines();
    if (!host_.debugFile.empty()) {
        if (lines.empty()) {
            reply.details.emplace_back("(nothing was written to the debug output)");
        } else {
            reply.details.emplace_back("debug output of the load:");
            for (const std::string &line : lines) reply.details.push_back("  " + line);
        }
    } else {
        reply.details.push_back("the debug output went to TVHOST_DEBUG=" + host_.userDebug);
    }
    // The load error says why the bus driver refused, in its words; the
    // hint is how to choose another device with tvctl's own options.
    if (refused && options_.host.bus == BusChoice::V4l2) reply.details.push_back(V4l2DeviceHint());
    if (refused && options_.host.bus == BusChoice::I2cDev) reply.details.push_back(I2cDevAdapterHint());
    if (!host_.modulePath.empty()) reply.details.push_back("module path: " + host_.modulePath);
}

const SimMixerCalls *Session::MixerLog() {
    if (!mixerLooked_) {
        mixerLooked_ = true;
        // Only a single driver named by path or file name can be looked into.
        if (!host_.mixers.empty() && host_.mixers.find(',') == std::string::npos) {
            mixerModule_ = LoadLibraryA(host_.mixers.c_str());
            mixerReady_ = mixerModule_ != nullptr && FindSimMixer(mixerModule_, mixer_);
        }
    }
    return mixerReady_ ? &mixer_ : nullptr;
}

bool Session::UseSimulatedMixer() {
    if (audioTried || host_.moduleDir.empty()) return false;
    const std::string driver = host_.moduleDir + "/tvmixsim.so";
    if (access(driver.c_str(), R_OK) != 0) return false;
    // The host loads the drivers TVHOST_MIXERS names at its first mixer call,
    // which in a session is the first InitTVAudio (audioTried): still to come.
    setenv("TVHOST_MIXERS", driver.c_str(), 1);
    if (mixerModule_ != nullptr) FreeLibrary(mixerModule_);
    mixerModule_ = nullptr;
    mixerLooked_ = mixerReady_ = false;
    host_.mixers = driver;
    host_.mixersFrom = MixerSource::Command;
    return true;
}

std::vector<std::string> Session::TakeDebugLines() {
    if (host_.debugFile.empty()) return {};
    std::ifstream file(host_.debugFile, std::ios::binary);
    if (!file.seekg(static_cast<std::streamoff>(debugOffset_))) return {};
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    debugOffset_ += text.size();
    // The text split into lines (the library's own lines carry "\n\r" in
    // front and "\r\n" behind).
    std::vector<std::string> lines;
    for (size_t at = 0; (at = text.find_first_not_of("\r\n", at)) != std::string::npos;) {
        const size_t end = text.find_first_of("\r\n", at);
        lines.push_back(text.substr(at, end - at));
        at = end;
    }
    return lines;
}

uint64_t Session::CardLogMark() const { return cardReady_ ? card_.LogTotal() : 0; }

std::vector<TvSimTransaction> Session::CardLogSince(uint64_t mark, uint64_t *dropped) const {
    if (dropped != nullptr) *dropped = 0;
    if (!cardReady_) return {};
    return SimCardLogSince(card_, mark, dropped);
}

}  // namespace tvctl
