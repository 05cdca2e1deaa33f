#include "v4l2_fixture.h"

#include <stdlib.h>

#include "support/test_env.h"
#include "tvv4l2_tuner.h"

namespace tvtest {
namespace {

using SetSysCalls = void (*)(const TvV4l2SysCalls *);

void *BusModule() {
    static void *module = OpenModuleForLife(V4l2BusDir() + "/tvbus16.so");
    return module;
}

void *MixerModule() {
    static void *module = OpenModuleForLife(V4l2MixerPath());
    return module;
}

using SetCaptureSysCalls = void (*)(const TvV4l2CaptureSysCalls *);

// The capture's own calls are the fake's whenever the others are.
void SetBoth(const TvV4l2SysCalls *calls) {
    reinterpret_cast<SetSysCalls>(SymbolOrAbort(BusModule(), "TvV4l2SetSysCalls"))(calls);
    reinterpret_cast<SetSysCalls>(SymbolOrAbort(MixerModule(), "TvV4l2SetSysCalls"))(calls);
    static const TvV4l2CaptureSysCalls fakeCapture = FakeCaptureSysCalls();
    reinterpret_cast<SetCaptureSysCalls>(SymbolOrAbort(BusModule(), "TvV4l2SetCaptureSysCalls"))(
        calls != nullptr ? &fakeCapture : nullptr);
}

}  // namespace

std::string V4l2BusDir() { return ModuleDir() + "/v4l2"; }
std::string V4l2MixerPath() { return ModuleDir() + "/tvmixv4l2.so"; }
ThunkData16 &V4l2Bus() { return *static_cast<ThunkData16 *>(SymbolOrAbort(BusModule(), "thk_ThunkData16")); }
MxdMessageProc V4l2Mixer() {
    return reinterpret_cast<MxdMessageProc>(SymbolOrAbort(MixerModule(), MXD_ENTRY_NAME));
}

template <typename Proc>
Proc V4l2BusExport(const char *name) {
    return reinterpret_cast<Proc>(SymbolOrAbort(BusModule(), name));
}
template <typename Proc>
Proc V4l2MixerExport(const char *name) {
    return reinterpret_cast<Proc>(SymbolOrAbort(MixerModule(), name));
}
template TvbusDescribeDeviceProc V4l2BusExport(const char *);  // also the refusal reason's type
template TvbusDescribeResultProc V4l2BusExport(const char *);
template MxdDescribeDeviceProc V4l2MixerExport(const char *);
template MxdRefusalReasonProc V4l2MixerExport(const char *);
template decltype(&TvV4l2CaptureOpen) V4l2BusExport(const char *);
template decltype(&TvV4l2CaptureGrab) V4l2BusExport(const char *);
template decltype(&TvV4l2CaptureClose) V4l2BusExport(const char *);
template decltype(&TvV4l2ListStandards) V4l2BusExport(const char *);
template decltype(&TvV4l2GetStandard) V4l2BusExport(const char *);
template decltype(&TvV4l2SetStandard) V4l2BusExport(const char *);
template decltype(&TvV4l2SetAudioMode) V4l2BusExport(const char *);
template decltype(&TvV4l2ReadTuner) V4l2BusExport(const char *);
template decltype(&TvV4l2ListDevices) V4l2BusExport(const char *);

void V4l2Test::SetUp() {
    ResetFake();
    calls_ = FakeSysCalls();
    SetBoth(&calls_);
    for (const char *name : {"TVV4L2_DEVICE", "TVV4L2_CARD", "TVV4L2_BOARD", "TVV4L2_INPUTS", "TVMIXV4L2_DEVICES"})
        unsetenv(name);
    windowsDir_ = MakeTempDir("windir");
    setenv("TVHOST_WINDIR", windowsDir_.c_str(), 1);
    debugFile_ = MakeTempDir("debug") + "/debug.txt";
    setenv("TVHOST_DEBUG", debugFile_.c_str(), 1);
}

void V4l2Test::TearDown() {
    Connect(DLL_PROCESS_DETACH);
    EXPECT_TRUE(Fake().openFds.empty()) << "a driver left a device open";
    SetBoth(nullptr);
    unsetenv("TVHOST_DEBUG");
}

}  // namespace tvtest
