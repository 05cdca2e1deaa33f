// TV audio through the host's mixer functions and the simulated mixer: what
// InitTVAudio leaves in the record and the module variables for each
// outcome, the exact requests the value calls send, and the guards against
// null records, oversized channel counts and failed reads.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>

#include "support/sim_mixer_client.h"
#include "audio/tv_audio.h"
#include "support/test_env.h"
#include "tvcore.h"
#include "tvhost/diag.h"

namespace {

using tvtest::SimMixer;

// Control ids of the simulated mixer's auxiliary line, with all of its
// controls present: volume 11, mute 12.
constexpr uint32_t kAuxVolume = 11, kAuxMute = 12;

class TvAudio : public ::testing::Test {
protected:
    void SetUp() override {
        tvtest::UseSimMixer();
        mixerOpened = 0;
        mixerHandleCopy = 0;
    }
    void TearDown() override {
        TvHostMixerReset();
        unsetenv("TVHOST_DEBUG");
    }

    // An initialised record, with the log emptied afterwards.
    TvMixerLine Ready() {
        TvMixerLine line{};
        EXPECT_EQ(InitTVAudio(&line), 1u);
        SimMixer().clearCalls();
        return line;
    }

    TvMixSimCall OnlyCall() {
        auto calls = SimMixer().AllCalls();
        EXPECT_EQ(calls.size(), 1u);
        return calls.empty() ? TvMixSimCall{} : calls[0];
    }
};

TEST_F(TvAudio, EachOutcomeLeavesRecordAndModuleStateAsDescribed) {
    struct Case {
        const char *what;
        tvtest::Settings settings;
        uint32_t result;
        bool opened;  // mixer left open; mixerOpened/mixerHandleCopy follow it
        bool volumeFilled, muteFilled;
        uint32_t muteId;
    } cases[] = {
        {"no mixer device", {{"TVMIXSIM_DEVICES", "0"}}, 0, false, false, false, 0},
        {"open fails", {{"TVMIXSIM_OPEN_RESULT", "4"}}, 0, false, false, false, 0},
        {"no auxiliary line", {{"TVMIXSIM_NO_AUX", "1"}}, 0, true, false, false, 0},
        {"no volume control", {{"TVMIXSIM_NO_VOLUME", "1"}}, 0, true, false, false, 0},
        {"no mute control", {{"TVMIXSIM_NO_MUTE", "1"}}, 0, true, true, false, 0},
        {"all found", {}, 1, true, true, true, kAuxMute},
    };
    for (const Case &c : cases) {
        tvtest::UseSimMixer(c.settings);
        mixerOpened = 7;  // sentinels: "unchanged" must mean unchanged
        mixerHandleCopy = 0x5EED;
        TvMixerLine line;
        std::memset(&line, 0xA5, sizeof line);
        EXPECT_EQ(InitTVAudio(&line), c.result) << c.what;
        EXPECT_EQ(line.leftVolume, 0u) << c.what;
        EXPECT_EQ(line.rightVolume, 0u) << c.what;
        EXPECT_EQ(line.channelCount, 2u) << c.what;
        EXPECT_EQ(line.volumeControlId, c.volumeFilled ? kAuxVolume : 0u) << c.what;
        EXPECT_EQ(line.volumeMin, 0u) << c.what;
        EXPECT_EQ(line.volumeMax, c.volumeFilled ? 65535u : 0u) << c.what;
        EXPECT_EQ(line.muteControlId, c.muteId) << c.what;
        EXPECT_EQ(TvHostOpenMixerHandles(), c.opened ? 1u : 0u) << c.what;
        if (c.opened) {
            EXPECT_NE(line.mixerHandle, 0u) << c.what;
            EXPECT_EQ(mixerOpened, 1u) << c.what;
            EXPECT_EQ(mixerHandleCopy, line.mixerHandle) << c.what;
        } else {
            EXPECT_EQ(line.mixerHandle, 0u) << c.what;
            EXPECT_EQ(mixerOpened, 7u) << c.what;
            EXPECT_EQ(mixerHandleCopy, 0x5EEDu) << c.what;
        }
    }
}

TEST_F(TvAudio, NoMixerWritesTheLineOnceAndUnloadClosesNothing) {
    std::string log = tvtest::MakeTempDir("audio") + "/debug.txt";
    setenv("TVHOST_DEBUG", log.c_str(), 1);
    tvtest::UseSimMixer({{"TVMIXSIM_DEVICES", "0"}});
    TvMixerLine line{};
    EXPECT_EQ(InitTVAudio(&line), 0u);
    EXPECT_EQ(tvtest::ReadFile(log), "No Mixers Found");
    EXPECT_EQ(mixerOpened, 0u);
    ReleaseTVAudio();
    EXPECT_TRUE(SimMixer().Calls(MXDM_CLOSE).empty());
}

TEST_F(TvAudio, InitAsksForTheAuxiliaryLineAndItsTwoControls) {
    TvMixerLine line{};
    ASSERT_EQ(InitTVAudio(&line), 1u);
    auto calls = SimMixer().AllCalls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].message, MXDM_OPEN);
    EXPECT_EQ(calls[0].deviceId, 0u);
    EXPECT_EQ(calls[0].flags, CALLBACK_WINDOW);
    EXPECT_EQ(calls[1].message, MXDM_GETLINEINFO);
    EXPECT_EQ(calls[1].flags, MIXER_GETLINEINFOF_COMPONENTTYPE);
    EXPECT_EQ(calls[1].cbStruct, sizeof(MIXERLINEA));
    EXPECT_EQ(calls[1].componentType, MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY);
    EXPECT_EQ(calls[1].destination, 0u);
    EXPECT_EQ(calls[1].source, 0u);
    const DWORD types[] = {MIXERCONTROL_CONTROLTYPE_VOLUME, MIXERCONTROL_CONTROLTYPE_MUTE};
    for (int i = 0; i < 2; ++i) {
        const TvMixSimCall &query = calls[2 + i];
        EXPECT_EQ(query.message, MXDM_GETLINECONTROLS);
        EXPECT_EQ(query.flags, MIXER_GETLINECONTROLSF_ONEBYTYPE);
        EXPECT_EQ(query.cbStruct, sizeof(MIXERLINECONTROLSA));
        EXPECT_EQ(query.lineId, 0x00050000u) << "the auxiliary line is the fifth source of the speakers";
        EXPECT_EQ(query.controlTypeOrId, types[i]);
        EXPECT_EQ(query.cControls, 1u);
        EXPECT_EQ(query.cbmxctrl, sizeof(MIXERCONTROLA));
        EXPECT_EQ(query.instance, calls[0].instance);
    }
}

TEST_F(TvAudio, ValueCallsSendExactlyTheDescribedDetails) {
    TvMixerLine line = Ready();
    struct Case {
        const char *what;
        uint32_t (*call)(TvMixerLine *);
        uint32_t message, controlId, channels, valueCount, values[2];
    } cases[] = {
        {"SetTVVol", [](TvMixerLine *l) { return SetTVVol(l, 4000); }, MXDM_SETCONTROLDETAILS, kAuxVolume, 2, 2,
         {4000, 4000}},
        {"GetTVVol", GetTVVol, MXDM_GETCONTROLDETAILS, kAuxVolume, 2, 2, {4000, 4000}},
        {"SetTVMute", [](TvMixerLine *l) { return SetTVMute(l, 1); }, MXDM_SETCONTROLDETAILS, kAuxMute, 2, 2, {1, 1}},
        {"GetTVMute", GetTVMute, MXDM_GETCONTROLDETAILS, kAuxMute, 1, 1, {1, 0}},
    };
    for (const Case &c : cases) {
        SimMixer().clearCalls();
        c.call(&line);
        TvMixSimCall call = OnlyCall();
        EXPECT_EQ(call.message, c.message) << c.what;
        EXPECT_EQ(call.flags, 0u) << c.what << ": MIXER_OBJECTF_HMIXER leaves no query bits";
        EXPECT_EQ(call.cbStruct, sizeof(MIXERCONTROLDETAILS)) << c.what;
        EXPECT_EQ(call.controlId, c.controlId) << c.what;
        EXPECT_EQ(call.cChannels, c.channels) << c.what;
        EXPECT_EQ(call.cMultipleItems, 0u) << c.what;
        EXPECT_EQ(call.cbDetails, 4u) << c.what;
        EXPECT_EQ(call.result, MMSYSERR_NOERROR) << c.what;
        ASSERT_EQ(call.valueCount, c.valueCount) << c.what;
        for (uint32_t i = 0; i < c.valueCount; ++i) EXPECT_EQ(call.values[i], c.values[i]) << c.what << " #" << i;
    }
    EXPECT_EQ(GetTVMute(&line), 1u);
    EXPECT_EQ(SetTVMute(&line, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(GetTVMute(&line), 0u);
}

TEST_F(TvAudio, LeftAndRightAreReadSeparately) {
    TvMixerLine line = Ready();
    ASSERT_EQ(SimMixer().setChannelValues(0, line.volumeControlId, 1200, 3400), MMSYSERR_NOERROR);
    EXPECT_EQ(GetTVVol(&line), 1200u);
    EXPECT_EQ(line.leftVolume, 1200u);
    EXPECT_EQ(line.rightVolume, 3400u);
    EXPECT_EQ(SetTVVol(&line, 500), MMSYSERR_NOERROR);
    uint32_t values[2] = {};
    SimMixer().getChannelValues(0, line.volumeControlId, values);
    EXPECT_EQ(values[0], 500u);
    EXPECT_EQ(values[1], 500u) << "SetTVVol sets both channels to the same value";
}

TEST_F(TvAudio, VolumeOutsideTheBoundsGoesToTheMixerUnchanged) {
    tvtest::UseSimMixer({{"TVMIXSIM_VOLUME_MIN", "10"}, {"TVMIXSIM_VOLUME_MAX", "1000"}});
    TvMixerLine line = Ready();
    EXPECT_EQ(line.volumeMin, 10u);
    EXPECT_EQ(line.volumeMax, 1000u);
    for (uint32_t volume : {1001u, 9u, 0xFFFFFFFFu}) {
        SimMixer().clearCalls();
        EXPECT_EQ(SetTVVol(&line, volume), MIXERR_INVALVALUE) << volume;
        TvMixSimCall call = OnlyCall();
        EXPECT_EQ(call.values[0], volume);
        EXPECT_EQ(call.values[1], volume);
    }
    EXPECT_EQ(SetTVVol(&line, 1000), MMSYSERR_NOERROR);
    EXPECT_EQ(GetTVVol(&line), 1000u);
}

TEST_F(TvAudio, NoMuteControlLeavesVolumeWorkingAndMuteSendsControlZero) {
    tvtest::UseSimMixer({{"TVMIXSIM_NO_MUTE", "1"}});
    TvMixerLine line{};
    EXPECT_EQ(InitTVAudio(&line), 0u);
    EXPECT_EQ(SetTVVol(&line, 300), MMSYSERR_NOERROR);
    EXPECT_EQ(GetTVVol(&line), 300u);
    SimMixer().clearCalls();
    EXPECT_EQ(SetTVMute(&line, 1), MIXERR_INVALCONTROL);
    EXPECT_EQ(OnlyCall().controlId, 0u);
    EXPECT_EQ(GetTVMute(&line), 0u);
}

TEST_F(TvAudio, TwoRecordsBothWorkAndUnloadClosesOnlyTheSecond) {
    TvMixerLine first{}, second{};
    ASSERT_EQ(InitTVAudio(&first), 1u);
    ASSERT_EQ(InitTVAudio(&second), 1u);
    EXPECT_NE(first.mixerHandle, second.mixerHandle);
    EXPECT_EQ(mixerHandleCopy, second.mixerHandle);
    EXPECT_EQ(SetTVVol(&first, 100), MMSYSERR_NOERROR);
    EXPECT_EQ(SetTVVol(&second, 200), MMSYSERR_NOERROR);
    EXPECT_EQ(GetTVVol(&first), 200u) << "both records reach the same line";
    auto opens = SimMixer().Calls(MXDM_OPEN);
    ASSERT_EQ(opens.size(), 2u);
    SimMixer().clearCalls();
    ReleaseTVAudio();
    auto closes = SimMixer().Calls(MXDM_CLOSE);
    ASSERT_EQ(closes.size(), 1u);
    EXPECT_EQ(closes[0].instance, opens[1].instance);
    EXPECT_EQ(TvHostOpenMixerHandles(), 1u);
    EXPECT_EQ(SetTVMute(&first, 1), MMSYSERR_NOERROR) << "the first record's handle stays open";
    EXPECT_EQ(SetTVMute(&second, 1), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(mixerOpened, 1u) << "nothing is cleared at unload";
}

TEST_F(TvAudio, NeverExchangesMoreThanTheTwoBufferedChannels) {
    struct Case {
        uint32_t channelCount, sent;
        MMRESULT setResult;
        uint32_t left, right;
    } cases[] = {
        {0, 0, MMSYSERR_INVALPARAM, 0, 0}, // the mixer refuses 0 channels; the read gives 0
        {1, 1, MMSYSERR_NOERROR, 777, 0},  // one value for all channels; one read back
        {2, 2, MMSYSERR_NOERROR, 777, 777},
        {3, 2, MMSYSERR_NOERROR, 777, 777},
        {0xFFFFFFFFu, 2, MMSYSERR_NOERROR, 777, 777},
    };
    for (const Case &c : cases) {
        TvMixerLine line = Ready();
        SimMixer().setChannelValues(0, kAuxVolume, 1, 2);
        line.channelCount = c.channelCount;
        line.leftVolume = line.rightVolume = 0xBAD;
        EXPECT_EQ(SetTVVol(&line, 777), c.setResult) << c.channelCount;
        EXPECT_EQ(OnlyCall().cChannels, c.sent) << c.channelCount;
        EXPECT_EQ(GetTVVol(&line), c.left) << c.channelCount;
        EXPECT_EQ(line.rightVolume, c.right) << c.channelCount;
        SimMixer().clearCalls();
        SetTVMute(&line, 1);
        EXPECT_EQ(OnlyCall().cChannels, c.sent) << c.channelCount;
        SimMixer().clearCalls();
        GetTVMute(&line);
        EXPECT_EQ(OnlyCall().cChannels, 1u) << "GetTVMute reads one channel whatever channelCount holds";
    }
}

TEST_F(TvAudio, NullRecordIsRefusedWithoutAnyMixerCall) {
    EXPECT_EQ(InitTVAudio(nullptr), 0u);
    EXPECT_EQ(SetTVVol(nullptr, 5), MMSYSERR_INVALPARAM);
    EXPECT_EQ(GetTVVol(nullptr), 0u);
    EXPECT_EQ(SetTVMute(nullptr, 1), MMSYSERR_INVALPARAM);
    EXPECT_EQ(GetTVMute(nullptr), 0u);
    EXPECT_EQ(SimMixer().callCount(), 0u);
    EXPECT_EQ(mixerOpened, 0u);
}

TEST_F(TvAudio, FailedReadsGiveZeroNotStaleValues) {
    TvMixerLine line{};  // never initialised: handle 0 is no open mixer
    line.leftVolume = line.rightVolume = 0xBAD;
    line.channelCount = 2;
    EXPECT_EQ(GetTVVol(&line), 0u);
    EXPECT_EQ(line.leftVolume, 0u);
    EXPECT_EQ(line.rightVolume, 0u);
    EXPECT_EQ(GetTVMute(&line), 0u);
    EXPECT_EQ(SetTVVol(&line, 5), MMSYSERR_INVALHANDLE) << "the mixer's answer is returned unchanged";
}

}  // namespace
