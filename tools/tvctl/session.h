// One run of tvctl (or one shell): the host settings, the library loaded
// through the host loader exactly as a TV application loads it, the bus and
// mixer drivers behind it, and what tvctl remembers between commands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bus_words.h"
#include "console.h"
#include "driver_simcard.h"
#include "driver_simmixer.h"
#include "host_setup.h"
#include "tvcore.h"
#include "tvhost/win32.h"
#include "tuner_state.h"
#include "user_settings.h"

namespace tvctl {

struct GlobalOptions {
    HostOptions host;
    bool json = false;
    bool trace = false;  // show the simulated card's bus log after each command
    std::string settingsFile;  // --settings: the settings file instead of the default one
    bool noSettings = false;   // --no-settings: none read
    UserDefaults defaults;     // what the settings file set, and where each setting came from
};

// The library's exported functions (tvcore_exports.h), found with
// GetProcAddress, each under its own name through tvcore.h's pointer types
// (which carry the exports' calling convention).
struct TvCalls {
#define TVCTL_CALL_POINTER(name, result, argumentBytes, parameters) PFN_##name name;
    TVCORE_EXPORTED_FUNCTIONS(TVCTL_CALL_POINTER)
#undef TVCTL_CALL_POINTER
};

// The video source, as tvctl last selected it. The library does not report
// its source (GetTVParam(1) always answers 1), so tvctl keeps track; at load
// the library is on the tuner with the cable plan.
enum class Source { Composite, SVideo, Cable, Broadcast };
const char *SourceName(Source source);

class Session {
public:
    Session(const GlobalOptions &options, const Console &console);
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    const GlobalOptions &Options() const { return options_; }
    const Console &Out() const { return console_; }
    const HostSetup &Host() const { return host_; }

    // The library, loaded at the first call; nullptr, with `reply` failed and
    // explained (the debug lines of the refused load included), when it
    // cannot be loaded.
    const TvCalls *Library(Reply &reply);
    bool Loaded() const { return library_ != nullptr; }

    // The words of the bus driver behind the loaded library, and the
    // simulated card's interface when that is the bus (else nullptr).
    const BusWords &Words() const { return busWords_; }
    const SimCardCalls *Card() const { return cardReady_ ? &card_ : nullptr; }
    // The bus driver module itself, for its optional exports (nullptr before the load).
    HMODULE BusModule() const { return busModule_; }
    // The simulated mixer's log when that mixer serves (else nullptr).
    const SimMixerCalls *MixerLog();

    // Makes the simulated mixer serve this run, for a command that should
    // not touch the system's mixer (the tour). Only before InitTVAudio has
    // run; false when it cannot be done.
    bool UseSimulatedMixer();

    // Lines written to the debug channel since the last call (when tvctl
    // collects them; the user's own TVHOST_DEBUG is left alone).
    std::vector<std::string> TakeDebugLines();

    // The card's log: its current total, and the transactions from `mark` on.
    uint64_t CardLogMark() const;
    std::vector<TvSimTransaction> CardLogSince(uint64_t mark, uint64_t *dropped = nullptr) const;

    // Takes tvctl's record of the tuner (and the source it names) from its
    // file again, for a long-lived session that another run may have tuned
    // since (the watch page).
    void ReloadTuner();

    // Remembered between commands. `source` is the user's, as tvctl last
    // selected it (in this run or, through `tuner`, an earlier one);
    // `librarySource` what the library has selected in this process (at
    // load: the tuner with the cable plan).
    Source source = Source::Cable;
    Source librarySource = Source::Cable;
    TunerMemory tuner;      // tvctl's record of the tuner across runs (tuner_state.h)
    std::string tunerFile;  // where that record is kept; "" for nowhere
    std::string tunerFileProblem;  // what was wrong with the file as read; "" when nothing
    bool inShell = false;   // the commands come from the shell (errors then point at "help CMD")
    TvMixerLine audio{};      // the application's record of the TV sound line
    bool audioTried = false;  // InitTVAudio has run on `audio` (it runs once: each run opens a mixer handle)
    bool audioReady = false;  // ... and answered 1
    bool standardSet = false;  // this run set a TV standard (so the settings' standard is not set over it)

private:
    // Loads the library once: `library_` and the calls, else `loadFailure_`.
    void Load();
    // `refused`: the library's entry routine refused the load.
    void Explain(Reply &reply, bool refused);

    GlobalOptions options_;
    const Console &console_;
    HostSetup host_;
    HMODULE library_ = nullptr;
    HMODULE busModule_ = nullptr;
    HMODULE mixerModule_ = nullptr;
    bool loadFailed_ = false;
    Reply loadFailure_;
    TvCalls calls_{};
    BusWords busWords_;
    SimCardCalls card_{};
    bool cardReady_ = false;
    bool mixerLooked_ = false;
    SimMixerCalls mixer_{};
    bool mixerReady_ = false;
    uint64_t debugOffset_ = 0;
};

}  // namespace tvctl
