// The ALSA mixer driver end to end: the library's TV audio calls through the
// host's mixer functions, the driver and the real alsa-lib, down to a
// user-space control device (alsa_ctl_plugin.c) that keeps its values in a
// file. The test reads and writes the same elements through alsa-lib
// directly to see both sides.
#include <alsa/asoundlib.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "audio/tv_audio.h"
#include "support/test_env.h"
#include "tvcore.h"
#include "tvhost/diag.h"

namespace {

class AlsaMixer : public ::testing::Test {
protected:
    void SetUp() override {
        std::string dir = tvtest::MakeTempDir("alsa");
        std::string config = dir + "/asound.conf";
        tvtest::WriteFile(config, "ctl_type.tvtest { lib \"" TVCORE_TEST_ALSA_PLUGIN "\" }\n"
                                  "ctl.tvtest { type tvtest state \"" + dir + "/card\" }\n"
                                  "ctl.tvtest_noaux { type tvtest state \"" + dir + "/noaux\" aux false }\n");
        setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
        setenv("TVMIXALSA_DEVICES", "tvtest, tvtest_noaux", 1);
        setenv("TVHOST_MIXERS", "tvmixalsa", 1);
        TvHostMixerReset();
    }
    void TearDown() override { TvHostMixerReset(); }

    // Reads (or, with `write`, first writes) element `name` of the "tvtest"
    // control device through alsa-lib itself.
    static std::vector<long> Element(const char *name, const std::vector<long> *write = nullptr) {
        snd_ctl_t *ctl = nullptr;
        EXPECT_EQ(snd_ctl_open(&ctl, "tvtest", 0), 0);
        if (ctl == nullptr) return {};
        snd_ctl_elem_value_t *value = nullptr;
        snd_ctl_elem_value_alloca(&value);
        snd_ctl_elem_value_set_interface(value, SND_CTL_ELEM_IFACE_MIXER);
        snd_ctl_elem_value_set_name(value, name);
        if (write != nullptr) {
            for (size_t i = 0; i < write->size(); ++i) snd_ctl_elem_value_set_integer(value, i, (*write)[i]);
            EXPECT_GE(snd_ctl_elem_write(ctl, value), 0) << name;
        }
        EXPECT_EQ(snd_ctl_elem_read(ctl, value), 0) << name;
        std::vector<long> values = {snd_ctl_elem_value_get_integer(value, 0),
                                    snd_ctl_elem_value_get_integer(value, 1)};
        snd_ctl_close(ctl);
        return values;
    }
};

TEST_F(AlsaMixer, DevicesAreTheNamedControlDevices) {
    EXPECT_EQ(mixerGetNumDevs(), 2u);
    MIXERLINEA speakers{};
    speakers.cbStruct = sizeof speakers;
    ASSERT_EQ(mixerGetLineInfoA(0, &speakers, MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_DESTINATION), MMSYSERR_NOERROR);
    EXPECT_EQ(speakers.dwComponentType, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
    EXPECT_EQ(speakers.cConnections, 3u) << "PCM, Mic and Aux";
    EXPECT_EQ(speakers.cControls, 2u);
    struct Source {
        DWORD componentType, channels, max;
    } sources[] = {{MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, 2, 255},
                   {MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 1, 15},
                   {MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY, 2, 31}};
    for (DWORD s = 0; s < 3; ++s) {
        MIXERLINEA line{};
        line.cbStruct = sizeof line;
        line.dwSource = s;
        ASSERT_EQ(mixerGetLineInfoA(0, &line, MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_SOURCE), MMSYSERR_NOERROR);
        EXPECT_EQ(line.dwComponentType, sources[s].componentType) << s;
        EXPECT_EQ(line.cChannels, sources[s].channels) << s;
        MIXERCONTROLA control{};
        MIXERLINECONTROLSA request{sizeof request, line.dwLineID, {MIXERCONTROL_CONTROLTYPE_VOLUME}, 1,
                                   sizeof control, &control};
        ASSERT_EQ(mixerGetLineControlsA(0, &request, MIXER_OBJECTF_MIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE),
                  MMSYSERR_NOERROR);
        EXPECT_EQ(control.Bounds.dwMaximum, sources[s].max) << s;
    }
    MIXERLINEA aux{};
    aux.cbStruct = sizeof aux;
    aux.dwComponentType = MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY;
    EXPECT_EQ(mixerGetLineInfoA(1, &aux, MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_COMPONENTTYPE), MIXERR_INVALLINE)
        << "the second device has no Aux element";
}

TEST_F(AlsaMixer, TvAudioFindsAuxWithAlsaBounds) {
    TvMixerLine line{};
    ASSERT_EQ(InitTVAudio(&line), 1u);
    EXPECT_EQ(line.volumeMin, 0u);
    EXPECT_EQ(line.volumeMax, 31u);
    EXPECT_NE(line.volumeControlId, line.muteControlId);
    ReleaseTVAudio();
    EXPECT_EQ(TvHostOpenMixerHandles(), 0u);
}

TEST_F(AlsaMixer, VolumeReachesBothAlsaChannelsAndReadsBack) {
    TvMixerLine line{};
    ASSERT_EQ(InitTVAudio(&line), 1u);
    EXPECT_EQ(SetTVVol(&line, 17), MMSYSERR_NOERROR);
    EXPECT_EQ(Element("Aux Playback Volume"), (std::vector<long>{17, 17}));
    std::vector<long> split = {3, 29};
    Element("Aux Playback Volume", &split);
    EXPECT_EQ(GetTVVol(&line), 3u);
    EXPECT_EQ(line.leftVolume, 3u);
    EXPECT_EQ(line.rightVolume, 29u);
    EXPECT_EQ(SetTVVol(&line, 32), MIXERR_INVALVALUE) << "above ALSA's maximum";
    EXPECT_EQ(Element("Aux Playback Volume"), split) << "a refused value changes nothing";

    TvMixerLine other{};
    ASSERT_EQ(InitTVAudio(&other), 1u);
    EXPECT_EQ(GetTVVol(&other), 3u) << "a second open sees the same card";
}

TEST_F(AlsaMixer, MuteIsTheSwitchTurnedOff) {
    TvMixerLine line{};
    ASSERT_EQ(InitTVAudio(&line), 1u);
    EXPECT_EQ(SetTVMute(&line, 1), MMSYSERR_NOERROR);
    EXPECT_EQ(Element("Aux Playback Switch"), (std::vector<long>{0, 0}));
    EXPECT_EQ(GetTVMute(&line), 1u);
    EXPECT_EQ(SetTVMute(&line, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(Element("Aux Playback Switch"), (std::vector<long>{1, 1}));
    EXPECT_EQ(GetTVMute(&line), 0u);
}

TEST_F(AlsaMixer, ADeviceThatDoesNotOpenFailsTheOpen) {
    setenv("TVMIXALSA_DEVICES", "no_such_ctl_device", 1);
    TvHostMixerReset();
    ASSERT_EQ(mixerGetNumDevs(), 1u);
    TvMixerLine line{};
    EXPECT_EQ(InitTVAudio(&line), 0u);
    EXPECT_EQ(line.mixerHandle, 0u);
}

}  // namespace
