#include "driver_simmixer.h"

#include <fmt/format.h>

#include <algorithm>
#include <vector>

#include "bus_words.h"
#include "module_lookup.h"
#include "numbers.h"
#include "tvhost/mixer_driver.h"

namespace tvctl {

bool FindSimMixer(HMODULE mixerModule, SimMixerCalls &calls) {
    return LookUp(mixerModule, "TvMixSimCallCount", calls.CallCount) &&
           LookUp(mixerModule, "TvMixSimGetCall", calls.GetCall) &&
           LookUp(mixerModule, "TvMixSimResetValues", calls.ResetValues) &&
           LookUp(mixerModule, "TvMixSimStatePath", calls.StatePath);
}

namespace {

const char *MessageName(uint32_t message) {
    switch (message) {
        case MXDM_GETNUMDEVS: return "GETNUMDEVS";
        case MXDM_OPEN: return "OPEN";
        case MXDM_CLOSE: return "CLOSE";
        case MXDM_GETLINEINFO: return "GETLINEINFO";
        case MXDM_GETLINECONTROLS: return "GETLINECONTROLS";
        case MXDM_GETCONTROLDETAILS: return "GETCONTROLDETAILS";
        case MXDM_SETCONTROLDETAILS: return "SETCONTROLDETAILS";
        default: return "message";
    }
}

// The values a call carried, as far as its entry keeps them.
std::vector<uint32_t> Values(const TvMixSimCall &call) {
    return {call.values, call.values + std::min<uint32_t>(call.valueCount, TVMIXSIM_MAX_VALUES)};
}

}  // namespace

std::string FormatMixerCall(const TvMixSimCall &call) {
    std::string what;
    switch (call.message) {
        case MXDM_GETNUMDEVS:  // answers a count, not a result code
            return fmt::format("  mixer  {:<18} {:<40} -> {} device{}", MessageName(call.message), "", call.result,
                               call.result == 1 ? "" : "s");
        case MXDM_GETLINEINFO:
            what = fmt::format("component type {}", Hex(call.componentType, 4));
            break;
        case MXDM_GETLINECONTROLS:
            what = fmt::format("line {} type {}", Hex(call.lineId, 8), Hex(call.controlTypeOrId, 8));
            break;
        case MXDM_GETCONTROLDETAILS:
        case MXDM_SETCONTROLDETAILS: {
            what = fmt::format("control {}, {} channel{}", call.controlId, call.cChannels, call.cChannels == 1 ? "" : "s");
            if (call.valueCount > 0) what += fmt::format(" [{}]", fmt::join(Values(call), " "));
            break;
        }
        default: break;
    }
    return fmt::format("  mixer  {:<18} {:<40} -> {}", MessageName(call.message), what, MixerResultName(call.result));
}

nlohmann::ordered_json MixerCallJson(const TvMixSimCall &call) {
    nlohmann::ordered_json out;
    out["message"] = MessageName(call.message);
    out["result"] = call.result;
    if (call.message == MXDM_GETCONTROLDETAILS || call.message == MXDM_SETCONTROLDETAILS) {
        out["controlId"] = call.controlId;
        out["channels"] = call.cChannels;
        out["values"] = Values(call);
    }
    return out;
}

}  // namespace tvctl
