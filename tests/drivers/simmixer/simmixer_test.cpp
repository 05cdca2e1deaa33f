// The simulated mixer's lines and controls as an application walks them
// through the host: every query kind finds the line or control it names.
#include <gtest/gtest.h>

#include "support/driver_words.h"
#include "support/sim_mixer_client.h"
#include "tvhost/diag.h"

namespace {

class SimMixerLines : public ::testing::Test {
protected:
    void SetUp() override {
        tvtest::UseSimMixer();
        ASSERT_EQ(mixerOpen(&mixer_, 0, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    }
    void TearDown() override { TvHostMixerReset(); }

    MMRESULT Line(MIXERLINEA &line, DWORD query) {
        line.cbStruct = sizeof line;
        return mixerGetLineInfoA(mixer_, &line, MIXER_OBJECTF_HMIXER | query);
    }

    HMIXER mixer_ = 0;
};

TEST_F(SimMixerLines, EveryLineQueryKindFindsItsLine) {
    struct Case {
        const char *what;
        DWORD query, destination, source, lineId, componentType, targetType;
        MMRESULT result;
        DWORD foundId, foundType;
    } cases[] = {
        {"destination 1", MIXER_GETLINEINFOF_DESTINATION, 1, 0, 0, 0, 0, 0, 0xFFFF0001u,
         MIXERLINE_COMPONENTTYPE_DST_WAVEIN},
        {"destination 2", MIXER_GETLINEINFOF_DESTINATION, 2, 0, 0, 0, 0, MIXERR_INVALLINE, 0, 0},
        {"source 1 of 1", MIXER_GETLINEINFOF_SOURCE, 1, 1, 0, 0, 0, 0, 0x00020001u, MIXERLINE_COMPONENTTYPE_SRC_LINE},
        {"source 5 of 0", MIXER_GETLINEINFOF_SOURCE, 0, 5, 0, 0, 0, MIXERR_INVALLINE, 0, 0},
        {"line id", MIXER_GETLINEINFOF_LINEID, 0, 0, 0x00020000u, 0, 0, 0, 0x00020000u,
         MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC},
        {"line id 0", MIXER_GETLINEINFOF_LINEID, 0, 0, 0, 0, 0, MIXERR_INVALLINE, 0, 0},
        {"component type", MIXER_GETLINEINFOF_COMPONENTTYPE, 0, 0, 0, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 0, 0,
         0x00040000u, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE},
        {"absent component type", MIXER_GETLINEINFOF_COMPONENTTYPE, 0, 0, 0, MIXERLINE_COMPONENTTYPE_SRC_ANALOG, 0,
         MIXERR_INVALLINE, 0, 0},
        {"target type", MIXER_GETLINEINFOF_TARGETTYPE, 0, 0, 0, 0, MIXERLINE_TARGETTYPE_AUX, 0, 0x00050000u,
         MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY},
    };
    for (const Case &c : cases) {
        MIXERLINEA line{};
        line.dwDestination = c.destination;
        line.dwSource = c.source;
        line.dwLineID = c.lineId;
        line.dwComponentType = c.componentType;
        line.Target.dwType = c.targetType;
        ASSERT_EQ(Line(line, c.query), c.result) << c.what;
        if (c.result != MMSYSERR_NOERROR) continue;
        EXPECT_EQ(line.dwLineID, c.foundId) << c.what;
        EXPECT_EQ(line.dwComponentType, c.foundType) << c.what;
        EXPECT_EQ(line.cChannels, 2u) << c.what;
    }
    MIXERLINEA speakers{};
    ASSERT_EQ(Line(speakers, MIXER_GETLINEINFOF_DESTINATION), MMSYSERR_NOERROR);
    EXPECT_EQ(speakers.cConnections, 5u);
    EXPECT_EQ(speakers.cControls, 2u);
}

TEST_F(SimMixerLines, ControlsByLineByIdAndByType) {
    MIXERCONTROLA controls[3]{};
    MIXERLINECONTROLSA all{sizeof all, 0x00050000u, {0}, 3, sizeof(MIXERCONTROLA), controls};
    EXPECT_EQ(mixerGetLineControlsA(mixer_, &all, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ALL),
              MMSYSERR_INVALPARAM) << "the auxiliary line has two controls, not three";
    all.cControls = 2;
    ASSERT_EQ(mixerGetLineControlsA(mixer_, &all, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ALL), MMSYSERR_NOERROR);
    EXPECT_EQ(controls[0].dwControlType, MIXERCONTROL_CONTROLTYPE_VOLUME);
    EXPECT_EQ(controls[0].Bounds.dwMaximum, 65535u);
    EXPECT_EQ(controls[1].dwControlType, MIXERCONTROL_CONTROLTYPE_MUTE);
    EXPECT_EQ(controls[2].cbStruct, 0u) << "nothing written past the controls asked for";

    MIXERLINECONTROLSA byId{sizeof byId, 0, {controls[1].dwControlID}, 1, sizeof(MIXERCONTROLA), &controls[2]};
    ASSERT_EQ(mixerGetLineControlsA(mixer_, &byId, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYID),
              MMSYSERR_NOERROR);
    EXPECT_EQ(byId.dwLineID, 0x00050000u) << "a control found by id names its line";
    EXPECT_EQ(controls[2].dwControlType, MIXERCONTROL_CONTROLTYPE_MUTE);

    MIXERLINECONTROLSA byType{sizeof byType, 0xFFFF0001u, {MIXERCONTROL_CONTROLTYPE_MUTE}, 1, sizeof(MIXERCONTROLA),
                              &controls[2]};
    EXPECT_EQ(mixerGetLineControlsA(mixer_, &byType, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE),
              MIXERR_INVALCONTROL) << "the recording destination has no mute";
}

TEST_F(SimMixerLines, OneChannelSetsEveryChannelAndMuteIsStoredAsABoolean) {
    DWORD value = 1234;
    MIXERCONTROLDETAILS details{sizeof details, 11, 1, {0}, sizeof value, &value};
    ASSERT_EQ(mixerSetControlDetails(mixer_, &details, MIXER_OBJECTF_HMIXER), MMSYSERR_NOERROR);
    uint32_t values[2] = {};
    tvtest::SimMixer().getChannelValues(0, 11, values);
    EXPECT_EQ(values[0], 1234u);
    EXPECT_EQ(values[1], 1234u);
    value = 0x80;
    details.dwControlID = 12;
    ASSERT_EQ(mixerSetControlDetails(mixer_, &details, MIXER_OBJECTF_HMIXER), MMSYSERR_NOERROR);
    value = 0;
    ASSERT_EQ(mixerGetControlDetailsA(mixer_, &details, MIXER_OBJECTF_HMIXER), MMSYSERR_NOERROR);
    EXPECT_EQ(value, 1u);
    details.cChannels = 3;
    EXPECT_EQ(mixerGetControlDetailsA(mixer_, &details, MIXER_OBJECTF_HMIXER), MMSYSERR_INVALPARAM);
}

// The driver names each device it serves and nothing past them.
TEST(SimMixerWords, DescribesEachDeviceItServesOrWhyItServesNone) {
    tvtest::UseSimMixer({{"TVMIXSIM_DEVICES", "2"}});
    const tvtest::SimMixerApi &mixer = tvtest::SimMixer();
    auto device = [&](UINT id) {
        return tvtest::AskWords([&](char *text, uint32_t size) { return mixer.describeDevice(id, text, size); });
    };
    EXPECT_EQ(device(0), "simulated mixer device 0");
    EXPECT_EQ(device(1), "simulated mixer device 1");
    EXPECT_EQ(device(2), "");
    EXPECT_EQ(mixer.refusalReason(nullptr, 0), 0u) << "it serves";

    tvtest::UseSimMixer({{"TVMIXSIM_DEVICES", "0"}});
    EXPECT_EQ(mixerGetNumDevs(), 0u);
    EXPECT_EQ(tvtest::AskWords(mixer.refusalReason), "TVMIXSIM_DEVICES=0: the simulated mixer serves no device");
    EXPECT_EQ(std::string(TvHostLastLoadError()),
              "tvmixsim: the mixer driver serves no device: TVMIXSIM_DEVICES=0: the simulated mixer serves no device")
        << "the host's words for the driver it skips, by the name TVHOST_MIXERS gives";
    TvHostMixerReset();
}

}  // namespace
