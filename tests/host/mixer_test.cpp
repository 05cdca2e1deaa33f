// The host's mixer functions over the simulated mixer driver: Windows'
// checks before any driver sees a request, handles versus device numbers,
// driver loading and numbering, and the handle table under threads.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "support/sim_mixer_client.h"
#include "support/test_env.h"
#include "tvhost/diag.h"

namespace {

using tvtest::SimMixer;

class HostMixer : public ::testing::Test {
protected:
    void SetUp() override { tvtest::UseSimMixer({{"TVMIXSIM_DEVICES", "2"}}); }
    void TearDown() override { TvHostMixerReset(); }

    HMIXER Open(UINT device = 0) {
        HMIXER handle = 0;
        EXPECT_EQ(mixerOpen(&handle, device, 0, 0, CALLBACK_WINDOW), MMSYSERR_NOERROR);
        return handle;
    }
};

MIXERLINEA AuxLineQuery() {
    MIXERLINEA line{};
    line.cbStruct = sizeof line;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY;
    return line;
}

TEST_F(HostMixer, CountsDevicesAndHandsOutHandlesFromTheirOwnRange) {
    EXPECT_EQ(mixerGetNumDevs(), 2u);
    HMIXER first = Open(0), second = Open(1);
    EXPECT_GE(first, 0x80000000u) << "a handle never looks like a device number or a kernel handle";
    EXPECT_NE(first, second);
    EXPECT_EQ(TvHostOpenMixerHandles(), 2u);
    auto opens = SimMixer().Calls(MXDM_OPEN);
    ASSERT_EQ(opens.size(), 2u);
    EXPECT_EQ(opens[0].flags, CALLBACK_WINDOW) << "the driver sees the caller's open flags";
    EXPECT_EQ(opens[1].deviceId, 1u);
    EXPECT_EQ(mixerClose(first), MMSYSERR_NOERROR);
    EXPECT_EQ(mixerClose(second), MMSYSERR_NOERROR);
    EXPECT_EQ(TvHostOpenMixerHandles(), 0u);
    EXPECT_EQ(SimMixer().openCount(), 0u);
}

TEST_F(HostMixer, OpenRefusesBadArgumentsWithoutWritingTheHandle) {
    struct Case {
        const char *what;
        bool nullPointer;
        UINT device;
        DWORD_PTR callback;
        DWORD flags;
        MMRESULT expected;
    } cases[] = {
        {"null handle pointer", true, 0, 0, CALLBACK_WINDOW, MMSYSERR_INVALPARAM},
        {"device out of range", false, 2, 0, CALLBACK_WINDOW, MMSYSERR_BADDEVICEID},
        {"huge device number", false, 0xCD580000u, 0, 0, MMSYSERR_BADDEVICEID},
        {"function callback", false, 0, 0x1234, CALLBACK_FUNCTION, MMSYSERR_INVALFLAG},
        {"an event the host never signals", false, 0, 0x1234, CALLBACK_EVENT, MMSYSERR_INVALPARAM},
        {"a window the host does not have", false, 0, 0x42, CALLBACK_WINDOW, MMSYSERR_INVALPARAM},
        {"wave-out object", false, 0, 0, MIXER_OBJECTF_WAVEOUT, MMSYSERR_INVALFLAG},
        {"unknown flag bit", false, 0, 0, 0x00000100u, MMSYSERR_INVALFLAG},
        {"handle object that is not open", false, 0x1234, 0, MIXER_OBJECTF_HMIXER, MMSYSERR_INVALHANDLE},
    };
    for (const Case &c : cases) {
        HMIXER handle = 0xABCDu;
        EXPECT_EQ(mixerOpen(c.nullPointer ? nullptr : &handle, c.device, c.callback, 0, c.flags), c.expected)
            << c.what;
        EXPECT_EQ(handle, 0xABCDu) << c.what;
    }
    EXPECT_TRUE(SimMixer().Calls(MXDM_OPEN).empty()) << "no refused open reaches the driver";
    EXPECT_EQ(TvHostOpenMixerHandles(), 0u);
}

TEST_F(HostMixer, OpenAcceptsNoCallbackAndReopensTheDeviceOfAHandle) {
    HMIXER plain = 0, again = 0;
    EXPECT_EQ(mixerOpen(&plain, 1, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    EXPECT_EQ(mixerOpen(&again, plain, 0, 0, MIXER_OBJECTF_HMIXER), MMSYSERR_NOERROR);
    EXPECT_NE(plain, again);
    auto opens = SimMixer().Calls(MXDM_OPEN);
    ASSERT_EQ(opens.size(), 2u);
    EXPECT_EQ(opens[1].deviceId, 1u);
}

TEST_F(HostMixer, DriverOpenFailureIsReturnedAndNothingIsOpen) {
    tvtest::UseSimMixer({{"TVMIXSIM_OPEN_RESULT", "4"}});
    HMIXER handle = 0x77u;
    EXPECT_EQ(mixerOpen(&handle, 0, 0, 0, CALLBACK_WINDOW), MMSYSERR_ALLOCATED);
    EXPECT_EQ(handle, 0x77u);
    EXPECT_EQ(TvHostOpenMixerHandles(), 0u);
}

// Each row of the host's checks, for every query function: the answer, and
// no request at the driver.
TEST_F(HostMixer, MalformedQueriesNeverReachTheDriver) {
    HMIXER handle = Open();
    SimMixer().clearCalls();
    MIXERLINEA line = AuxLineQuery();
    MIXERLINEA shortLine = AuxLineQuery();
    shortLine.cbStruct = sizeof(MIXERLINEA) - 1;
    MIXERCONTROLA control{};
    MIXERLINECONTROLSA controls{sizeof(MIXERLINECONTROLSA), 1, {MIXERCONTROL_CONTROLTYPE_VOLUME}, 1,
                                sizeof(MIXERCONTROLA), &control};
    MIXERLINECONTROLSA noArray = controls, smallStride = controls, shortControls = controls, twoByType = controls;
    noArray.pamxctrl = nullptr;
    smallStride.cbmxctrl = sizeof(MIXERCONTROLA) - 1;
    shortControls.cbStruct = sizeof(MIXERLINECONTROLSA) - 1;
    twoByType.cControls = 2;
    DWORD values[2] = {};
    MIXERCONTROLDETAILS details{sizeof(MIXERCONTROLDETAILS), 1, 2, {0}, sizeof(DWORD), values};
    MIXERCONTROLDETAILS noValues = details, zeroStride = details, shortDetails = details;
    noValues.paDetails = nullptr;
    zeroStride.cbDetails = 0;
    shortDetails.cbStruct = sizeof(MIXERCONTROLDETAILS) - 1;

    const DWORD byHandle = MIXER_OBJECTF_HMIXER;
    struct Case {
        const char *what;
        MMRESULT result;
        MMRESULT expected;
    } cases[] = {
        {"line: closed handle", mixerGetLineInfoA(0xCD580002u, &line, byHandle | 3), MMSYSERR_INVALHANDLE},
        {"line: device out of range", mixerGetLineInfoA(2, &line, MIXER_OBJECTF_MIXER | 3), MMSYSERR_BADDEVICEID},
        {"line: wave-in object", mixerGetLineInfoA(handle, &line, MIXER_OBJECTF_HWAVEIN | 3), MMSYSERR_INVALFLAG},
        {"line: MIDI object", mixerGetLineInfoA(handle, &line, MIXER_OBJECTF_MIDIOUT | 3), MMSYSERR_INVALFLAG},
        {"line: aux object", mixerGetLineInfoA(handle, &line, MIXER_OBJECTF_AUX | 3), MMSYSERR_INVALFLAG},
        {"line: unknown query", mixerGetLineInfoA(handle, &line, byHandle | 5), MMSYSERR_INVALFLAG},
        {"line: null structure", mixerGetLineInfoA(handle, nullptr, byHandle | 3), MMSYSERR_INVALPARAM},
        {"line: short cbStruct", mixerGetLineInfoA(handle, &shortLine, byHandle | 3), MMSYSERR_INVALPARAM},
        {"controls: closed handle", mixerGetLineControlsA(0x100u, &controls, byHandle | 2), MMSYSERR_INVALHANDLE},
        {"controls: null structure", mixerGetLineControlsA(handle, nullptr, byHandle | 2), MMSYSERR_INVALPARAM},
        {"controls: short cbStruct", mixerGetLineControlsA(handle, &shortControls, byHandle | 2),
         MMSYSERR_INVALPARAM},
        {"controls: null pamxctrl", mixerGetLineControlsA(handle, &noArray, byHandle | 2), MMSYSERR_INVALPARAM},
        {"controls: small cbmxctrl", mixerGetLineControlsA(handle, &smallStride, byHandle | 2), MMSYSERR_INVALPARAM},
        {"controls: two by type", mixerGetLineControlsA(handle, &twoByType, byHandle | 2), MMSYSERR_INVALPARAM},
        {"controls: unknown query", mixerGetLineControlsA(handle, &controls, byHandle | 3), MMSYSERR_INVALFLAG},
        {"get: closed handle", mixerGetControlDetailsA(0, &details, byHandle), MMSYSERR_INVALHANDLE},
        {"get: null structure", mixerGetControlDetailsA(handle, nullptr, byHandle), MMSYSERR_INVALPARAM},
        {"get: null paDetails", mixerGetControlDetailsA(handle, &noValues, byHandle), MMSYSERR_INVALPARAM},
        {"get: cbDetails 0", mixerGetControlDetailsA(handle, &zeroStride, byHandle), MMSYSERR_INVALPARAM},
        {"get: short cbStruct", mixerGetControlDetailsA(handle, &shortDetails, byHandle), MMSYSERR_INVALPARAM},
        {"get: wave-out object", mixerGetControlDetailsA(handle, &details, MIXER_OBJECTF_HWAVEOUT),
         MMSYSERR_INVALFLAG},
        {"set: closed handle", mixerSetControlDetails(7, &details, byHandle), MMSYSERR_INVALHANDLE},
        {"set: device out of range", mixerSetControlDetails(9, &details, MIXER_OBJECTF_MIXER), MMSYSERR_BADDEVICEID},
        {"set: null structure", mixerSetControlDetails(handle, nullptr, byHandle), MMSYSERR_INVALPARAM},
        {"set: null paDetails", mixerSetControlDetails(handle, &noValues, byHandle), MMSYSERR_INVALPARAM},
        {"set: cbDetails 0", mixerSetControlDetails(handle, &zeroStride, byHandle), MMSYSERR_INVALPARAM},
        {"set: unknown query", mixerSetControlDetails(handle, &details, byHandle | 2), MMSYSERR_INVALFLAG},
        {"close: never opened", mixerClose(0x12345678u), MMSYSERR_INVALHANDLE},
    };
    for (const Case &c : cases) EXPECT_EQ(c.result, c.expected) << c.what;
    EXPECT_EQ(SimMixer().callCount(), 0u) << "the driver saw a malformed request";
}

TEST_F(HostMixer, HandlesAndDeviceNumbersAreNeverMistakenForEachOther) {
    HMIXER handle = Open(1);
    MIXERLINEA line = AuxLineQuery();
    EXPECT_EQ(mixerGetLineInfoA(handle, &line, MIXER_OBJECTF_MIXER | 3), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(mixerGetLineInfoA(1, &line, MIXER_OBJECTF_HMIXER | 3), MMSYSERR_INVALHANDLE);
    HMIXER other = 0;
    EXPECT_EQ(mixerOpen(&other, handle, 0, 0, 0), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(mixerClose(1), MMSYSERR_INVALHANDLE);
    HANDLE semaphore = CreateSemaphoreA(nullptr, 0, 1, nullptr);
    ASSERT_NE(semaphore, 0u);
    EXPECT_EQ(mixerGetLineInfoA(semaphore, &line, MIXER_OBJECTF_HMIXER | 3), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(mixerClose(semaphore), MMSYSERR_INVALHANDLE);
    EXPECT_TRUE(CloseHandle(semaphore)) << "the semaphore survived a mixerClose of its value";
    EXPECT_FALSE(CloseHandle(handle)) << "a mixer handle is no kernel handle";
    EXPECT_EQ(mixerGetLineInfoA(handle, &line, MIXER_OBJECTF_HMIXER | 3), MMSYSERR_NOERROR);
}

TEST_F(HostMixer, StaleHandleIsRefusedAfterClose) {
    HMIXER handle = Open();
    EXPECT_EQ(mixerClose(handle), MMSYSERR_NOERROR);
    MIXERLINEA line = AuxLineQuery();
    EXPECT_EQ(mixerGetLineInfoA(handle, &line, MIXER_OBJECTF_HMIXER | 3), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(mixerClose(handle), MMSYSERR_INVALHANDLE);
    EXPECT_NE(Open(), handle) << "a closed handle's value is not handed out again at once";
    EXPECT_EQ(SimMixer().Calls(MXDM_CLOSE).size(), 1u);
}

TEST_F(HostMixer, StaleHandleStaysRefusedWhenANewerOneTakesItsSlot) {
    std::vector<HMIXER> held;
    for (HMIXER handle = 0; held.size() < 100000 && mixerOpen(&handle, 0, 0, 0, 0) == MMSYSERR_NOERROR;)
        held.push_back(handle);
    ASSERT_FALSE(held.empty());
    HMIXER spare = 0;
    ASSERT_EQ(mixerOpen(&spare, 1, 0, 0, 0), MMSYSERR_NOMEM) << "the table is full";
    const HMIXER stale = held.front();
    ASSERT_EQ(mixerClose(stale), MMSYSERR_NOERROR);
    // The closed handle's slot is the only free one, so the newcomer lands in it.
    HMIXER newer = Open(1);
    EXPECT_NE(newer, stale);
    MIXERLINEA line = AuxLineQuery();
    EXPECT_EQ(mixerGetLineInfoA(stale, &line, MIXER_OBJECTF_HMIXER | 3), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(mixerClose(stale), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(mixerGetLineInfoA(newer, &line, MIXER_OBJECTF_HMIXER | 3), MMSYSERR_NOERROR);
    EXPECT_EQ(mixerClose(newer), MMSYSERR_NOERROR);
}

TEST_F(HostMixer, RequestByDeviceNumberUsesATemporaryOpen) {
    MIXERLINEA line = AuxLineQuery();
    ASSERT_EQ(mixerGetLineInfoA(1, &line, MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_COMPONENTTYPE), MMSYSERR_NOERROR);
    EXPECT_EQ(line.dwComponentType, MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY);
    auto calls = SimMixer().AllCalls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].message, MXDM_OPEN);
    EXPECT_EQ(calls[0].flags, 0u);
    EXPECT_EQ(calls[1].message, MXDM_GETLINEINFO);
    EXPECT_EQ(calls[1].flags, MIXER_GETLINEINFOF_COMPONENTTYPE) << "the driver gets only the query bits";
    EXPECT_EQ(calls[1].instance, calls[0].instance);
    EXPECT_EQ(calls[2].message, MXDM_CLOSE);
    EXPECT_EQ(calls[2].instance, calls[0].instance);
    EXPECT_EQ(TvHostOpenMixerHandles(), 0u);
}

TEST_F(HostMixer, DriversAreNumberedInSettingOrderAndBrokenOnesSkipped) {
    std::string second = tvtest::ModuleDir() + "/test-mixers/second/tvmixsim.so";
    std::string noEntry = tvtest::ModuleDir() + "/test-mixers/tvmixnoentry.so";
    tvtest::UseSimMixer({{"TVMIXSIM_DEVICES", "2"}},
                        "no_such_driver, " + noEntry + ",tvmixsim,," + second + ",/no/such/dir/x.so");
    tvtest::SimMixerAt(second).reconfigure();
    ASSERT_EQ(mixerGetNumDevs(), 4u);
    HMIXER handles[4];
    for (UINT device = 0; device < 4; ++device) handles[device] = Open(device);
    auto first = SimMixer().Calls(MXDM_OPEN), last = tvtest::SimMixerAt(second).Calls(MXDM_OPEN);
    ASSERT_EQ(first.size(), 2u);
    ASSERT_EQ(last.size(), 2u);
    EXPECT_EQ(first[1].deviceId, 1u);
    EXPECT_EQ(last[0].deviceId, 0u) << "host device 2 is the second driver's device 0";
    EXPECT_EQ(last[1].deviceId, 1u);
    for (HMIXER handle : handles) EXPECT_EQ(mixerClose(handle), MMSYSERR_NOERROR);
}

TEST_F(HostMixer, NoLoadableDriverMeansNoDevices) {
    tvtest::UseSimMixer({}, "no_such_driver");
    EXPECT_EQ(mixerGetNumDevs(), 0u);
    HMIXER handle = 0;
    EXPECT_EQ(mixerOpen(&handle, 0, 0, 0, CALLBACK_WINDOW), MMSYSERR_BADDEVICEID);
}

TEST_F(HostMixer, ResetClosesEveryHandle) {
    HMIXER handle = Open();
    Open(1);
    TvHostMixerReset();
    EXPECT_EQ(TvHostOpenMixerHandles(), 0u);
    EXPECT_EQ(SimMixer().openCount(), 0u) << "the driver was told to close each open";
    EXPECT_EQ(mixerClose(handle), MMSYSERR_INVALHANDLE);
}

TEST_F(HostMixer, ThreadsOpenQueryAndCloseTogether) {
    constexpr int kThreads = 4, kRounds = 200;
    std::vector<std::thread> threads;
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t, &failures] {
            for (int round = 0; round < kRounds; ++round) {
                HMIXER handle = 0;
                MIXERLINEA line = AuxLineQuery();
                if (mixerOpen(&handle, t % 2, 0, 0, CALLBACK_WINDOW) != MMSYSERR_NOERROR ||
                    mixerGetLineInfoA(handle, &line, MIXER_OBJECTF_HMIXER | 3) != MMSYSERR_NOERROR ||
                    mixerClose(handle) != MMSYSERR_NOERROR)
                    ++failures[t];
            }
        });
    for (std::thread &thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
    EXPECT_EQ(TvHostOpenMixerHandles(), 0u);
    EXPECT_EQ(SimMixer().openCount(), 0u);
}

}  // namespace
