// Test access to the simulated mixer driver: its exported call log and
// controls (through the same module instance that the host loads), and a
// fresh host mixer configured from TVMIXSIM_* settings.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "drivers/simmixer/include/tvmixsim.h"
#include "tvhost/mixer_driver.h"

namespace tvtest {

// The TvMixSim... calls of one simulated-mixer module file.
struct SimMixerApi {
    uint32_t (*callCount)(void);
    int (*getCall)(uint32_t, TvMixSimCall *);
    void (*clearCalls)(void);
    uint32_t (*setChannelValues)(uint32_t, uint32_t, uint32_t, uint32_t);
    uint32_t (*getChannelValues)(uint32_t, uint32_t, uint32_t[2]);
    uint32_t (*openCount)(void);
    void (*reconfigure)(void);
    MxdDescribeDeviceProc describeDevice;
    MxdRefusalReasonProc refusalReason;
    decltype(&TvMixSimFailMessage) failMessage;
    decltype(&TvMixSimClearFaults) clearFaults;
    decltype(&TvMixSimFaultsInjected) faultsInjected;

    // The calls of the given message, oldest first.
    std::vector<TvMixSimCall> Calls(uint32_t message) const;
    std::vector<TvMixSimCall> AllCalls() const;
};

// The module file of the build tree's simulated mixer.
std::string SimMixerFile();

// Opens `file` (kept open for the whole test program, so the host's loads
// share its state) and resolves its calls; fails the test when it cannot.
const SimMixerApi &SimMixerAt(const std::string &file);
inline const SimMixerApi &SimMixer() { return SimMixerAt(SimMixerFile()); }

using Settings = std::vector<std::pair<std::string, std::string>>;

// Resets the host mixer, clears every TVMIXSIM_* setting, applies
// `settings`, points TVHOST_MIXERS at `drivers` (the simulated mixer when
// empty), rebuilds the simulated mixer from the new settings, loads the
// drivers and empties the simulated mixer's log.
void UseSimMixer(const Settings &settings = {}, const std::string &drivers = "");

}  // namespace tvtest
