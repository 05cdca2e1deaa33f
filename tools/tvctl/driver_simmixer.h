// Everything tvctl knows of the simulated mixer (tvmixsim.so, tvmixsim.h):
// its log in words and its state file.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "tvhost/win32.h"
#include "tvmixsim.h"

namespace tvctl {

struct SimMixerCalls {
    decltype(&::TvMixSimCallCount) CallCount;
    decltype(&::TvMixSimGetCall) GetCall;
    decltype(&::TvMixSimResetValues) ResetValues;
    decltype(&::TvMixSimStatePath) StatePath;
};

// Looks the mixer's calls up in a mixer driver module; false when it is
// another mixer driver.
bool FindSimMixer(HMODULE mixerModule, SimMixerCalls &calls);

// One message of the mixer's log, as a line and as JSON.
std::string FormatMixerCall(const TvMixSimCall &call);
nlohmann::ordered_json MixerCallJson(const TvMixSimCall &call);

}  // namespace tvctl
