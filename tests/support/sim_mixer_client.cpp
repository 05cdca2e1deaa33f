#include "support/sim_mixer_client.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <map>

#include "support/test_env.h"
#include "tvhost/diag.h"

namespace tvtest {

std::vector<TvMixSimCall> SimMixerApi::AllCalls() const {
    std::vector<TvMixSimCall> calls;
    TvMixSimCall call{};
    for (uint32_t i = 0; getCall(i, &call) != 0; ++i) calls.push_back(call);
    return calls;
}

std::vector<TvMixSimCall> SimMixerApi::Calls(uint32_t message) const {
    std::vector<TvMixSimCall> calls;
    for (const TvMixSimCall &call : AllCalls())
        if (call.message == message) calls.push_back(call);
    return calls;
}

std::string SimMixerFile() { return ModuleDir() + "/tvmixsim.so"; }

const SimMixerApi &SimMixerAt(const std::string &file) {
    static std::map<std::string, SimMixerApi> apis;
    auto found = apis.find(file);
    if (found != apis.end()) return found->second;
    void *module = OpenModuleForLife(file);
    SimMixerApi api{};
    Resolve(module, "TvMixSimCallCount", api.callCount);
    Resolve(module, "TvMixSimGetCall", api.getCall);
    Resolve(module, "TvMixSimClearCalls", api.clearCalls);
    Resolve(module, "TvMixSimSetChannelValues", api.setChannelValues);
    Resolve(module, "TvMixSimGetChannelValues", api.getChannelValues);
    Resolve(module, "TvMixSimOpenCount", api.openCount);
    Resolve(module, "TvMixSimReconfigure", api.reconfigure);
    Resolve(module, MXD_DESCRIBE_DEVICE_NAME, api.describeDevice);
    Resolve(module, MXD_REFUSAL_REASON_NAME, api.refusalReason);
    Resolve(module, "TvMixSimFailMessage", api.failMessage);
    Resolve(module, "TvMixSimClearFaults", api.clearFaults);
    Resolve(module, "TvMixSimFaultsInjected", api.faultsInjected);
    return apis.emplace(file, api).first->second;
}

void UseSimMixer(const Settings &settings, const std::string &drivers) {
    TvHostMixerReset();
    for (const char *name : {"TVMIXSIM_DEVICES", "TVMIXSIM_NO_AUX", "TVMIXSIM_NO_VOLUME", "TVMIXSIM_NO_MUTE",
                             "TVMIXSIM_VOLUME_MIN", "TVMIXSIM_VOLUME_MAX", "TVMIXSIM_OPEN_RESULT"})
        unsetenv(name);
    for (const auto &[name, value] : settings) setenv(name.c_str(), value.c_str(), 1);
    setenv("TVHOST_MIXERS", drivers.empty() ? "tvmixsim" : drivers.c_str(), 1);
    SimMixer().reconfigure();
    mixerGetNumDevs();  // loads the drivers now, so a test's log starts after the load
    SimMixer().clearCalls();
}

}  // namespace tvtest
