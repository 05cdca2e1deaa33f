#include "support/simcard_access.h"

#include <string>

#include "support/test_env.h"

namespace tvtest {
namespace {

SimCardApi Load(const std::string &file) {
    void *module = OpenModuleForLife(file);
    SimCardApi api{};
    Resolve(module, "TvSimLogTotal", api.LogTotal);
    Resolve(module, "TvSimLogRead", api.LogRead);
    Resolve(module, "TvSimLogClear", api.LogClear);
    Resolve(module, "TvSimPowerOn", api.PowerOn);
    Resolve(module, "TvSimRestoreDefaults", api.RestoreDefaults);
    Resolve(module, "TvSimSetStations", api.SetStations);
    Resolve(module, "TvSimGetStations", api.GetStations);
    Resolve(module, "TvSimSetSettleMs", api.SetSettleMs);
    Resolve(module, "TvSimGetSettleMs", api.GetSettleMs);
    Resolve(module, "TvSimSetBusAvailable", api.SetBusAvailable);
    Resolve(module, "TvSimDecoderRegisters", api.DecoderRegisters);
    Resolve(module, "TvSimDecoderStatus", api.DecoderStatus);
    Resolve(module, "TvSimTunerState", api.TunerState);
    Resolve(module, TVBUS_DESCRIBE_DEVICE_NAME, api.DescribeDevice);
    Resolve(module, TVBUS_REFUSAL_REASON_NAME, api.RefusalReason);
    Resolve(module, "TvSimFrame", api.Frame);
    Resolve(module, "TvSimSetFrameSize", api.SetFrameSize);
    Resolve(module, "TvSimFailTransaction", api.FailTransaction);
    Resolve(module, "TvSimFailDevice", api.FailDevice);
    Resolve(module, "TvSimClearFaults", api.ClearFaults);
    Resolve(module, "TvSimFaultsInjected", api.FaultsInjected);
    return api;
}

}  // namespace

const SimCardApi &SimCard() {
    static const SimCardApi api = Load(ModuleDir() + "/tvbus16.so");
    return api;
}

}  // namespace tvtest
