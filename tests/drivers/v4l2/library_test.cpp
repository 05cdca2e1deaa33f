// The library's own calls over the V4L2 drivers: the sources, picture
// controls and channels an application sets become V4L2 requests with the
// arguments below, and the TV audio calls reach the device's audio controls.
#include <stdlib.h>

#include "bus/bus_link.h"
#include "support/driver_words.h"
#include "support/test_env.h"
#include "tv/tv_state.h"
#include "tvcore.h"
#include "tvhost/diag.h"
#include "v4l2_fixture.h"

namespace tvtest {
namespace {

using namespace tvcore;

using Effects = std::vector<std::string>;

class LibraryOnV4l2 : public V4l2Test {
protected:
    void SetUp() override {
        V4l2Test::SetUp();
        setenv("TVHOST_PATH", V4l2BusDir().c_str(), 1);
        Fake().devices["/dev/video0"] = VividLike();
        tvState = kTvStateAtLoad;
    }
    void TearDown() override {
        ConnectBusLink(nullptr, DLL_PROCESS_DETACH);
        V4l2Test::TearDown();
        UseBuildTreeHost();
    }
    void Link() { ASSERT_TRUE(ConnectBusLink(nullptr, DLL_PROCESS_ATTACH)); }
    FakeVideo &Video() { return Fake().devices["/dev/video0"]; }
    // The requests one call made.
    template <typename Call>
    Effects EffectsOf(Call call) {
        Fake().effects.clear();
        call();
        return Fake().effects;
    }
};

// Each source value, on both boards: the library writes the control and
// input registers, and the driver selects the V4L2 input the board wires.
TEST_F(LibraryOnV4l2, SourcesSelectTheInputsOnBothBoards) {
    setenv("TVV4L2_INPUTS", "composite=Webcam 0", 1);
    for (bool alternative : {false, true}) {
        setenv("TVV4L2_BOARD", alternative ? "alternative" : "standard", 1);
        tvState.compositeMux = alternative ? 0x40 : 0x60;
        tvState.tunerMux = alternative ? 0x60 : 0x20;
        Video().input = 2;
        Link();
        struct Case {
            uint32_t source;
            int32_t result;
            Effects effects;
        } cases[] = {
            {5, 0, {"S_INPUT 0"}}, {1, 0, {"S_INPUT 3"}}, {0, 0, {"S_INPUT 1"}}, {2, 0, {}},
            {3, -3, {}},           {4, 0, {"S_INPUT 0"}}, {0x105, 0, {}},
        };
        for (const Case &c : cases) {
            int32_t result = 0;
            EXPECT_EQ(EffectsOf([&] { result = SetTVParam(1, c.source); }), c.effects)
                << "board " << alternative << " source " << c.source;
            EXPECT_EQ(result, c.result);
        }
        ConnectBusLink(nullptr, DLL_PROCESS_DETACH);
    }
}

// Library values 0..255 onto each control's range, read when used: the
// brightness range moves with the input as on vivid.
TEST_F(LibraryOnV4l2, PictureControlsMapOntoTheControlsRanges) {
    Video().controls[V4L2_CID_SATURATION] = {0, 65535, 0};
    Link();
    struct Case {
        uint32_t source, id, value;
        const char *effect;
    } cases[] = {
        {4, 3, 0, "S_CTRL brightness 0"},     {4, 3, 128, "S_CTRL brightness 128"},
        {4, 3, 255, "S_CTRL brightness 255"}, {1, 3, 0, "S_CTRL brightness 384"},
        {1, 3, 255, "S_CTRL brightness 639"}, {1, 3, 100, "S_CTRL brightness 484"},
        {4, 4, 0, "S_CTRL contrast 0"},       {4, 4, 128, "S_CTRL contrast 128"},
        {4, 4, 255, "S_CTRL contrast 255"},   {4, 5, 0, "S_CTRL hue -128"},
        {4, 5, 128, "S_CTRL hue 1"},          {4, 5, 255, "S_CTRL hue 128"},
        {4, 6, 0, "S_CTRL saturation 0"},     {4, 6, 128, "S_CTRL saturation 32832"},
        {4, 6, 255, "S_CTRL saturation 65407"},  // 510 of 511: the library's top is not the register's
    };
    for (const Case &c : cases) {
        SetTVParam(1, c.source);
        EXPECT_EQ(EffectsOf([&] { EXPECT_EQ(SetTVParam(c.id, c.value), 0); }), Effects{c.effect})
            << "id " << c.id << " value " << c.value << " source " << c.source;
    }
    EXPECT_EQ(EffectsOf([] { SetTVParam(3, 256); }), Effects{}) << "a refused value reaches nothing";
}

// Channels of both plans: the divider becomes the carrier frequency; lock
// exactly where the tuner reports signal; a channel of divider 0 is refused
// by the driver and reads as no lock although the last station had signal.
TEST_F(LibraryOnV4l2, ChannelsTuneAndLockWhereTheTunerHasSignal) {
    Link();
    struct Case {
        uint32_t source, channel;
        int32_t result;
        Effects effects;
    } cases[] = {
        {4, 7, 0, {"S_FREQUENCY 0 2 2804"}},                // cable 7: 175.25 MHz
        {4, 125, 0, {"S_FREQUENCY 0 2 12788"}},             // cable 125: 799.25 MHz
        {4, 5, -4, {"S_FREQUENCY 0 2 1236"}},               // cable 5: 77.25 MHz, off the raster
        {4, 1, 0, {"S_FREQUENCY 0 2 1172"}},                // cable 1: 73.25 MHz
        {5, 9, 0, {"S_FREQUENCY 0 2 2996"}},                // broadcast 9: 187.25 MHz
        {5, 14, -4, {"S_FREQUENCY 0 2 7540"}},              // broadcast 14: 471.25 MHz, off the raster
        {5, 2, 0, {"S_FREQUENCY 0 2 884"}},                 // broadcast 2: 55.25 MHz
        {5, 0, -4, {}},                                     // divider 0: refused
    };
    for (const Case &c : cases) {
        int32_t result = 0;
        EXPECT_EQ(EffectsOf([&] {
                      SetTVParam(1, c.source);
                      result = SetTVParam(2, c.channel);
                  }),
                  c.effects)
            << "source " << c.source << " channel " << c.channel;
        EXPECT_EQ(result, c.result) << "source " << c.source << " channel " << c.channel;
    }
}

TEST_F(LibraryOnV4l2, CompositeAndSVideoLockFollowTheInputStatus) {
    setenv("TVV4L2_INPUTS", "composite=Webcam 1", 1);
    Link();
    for (uint32_t status : {0u, unsigned{V4L2_IN_ST_NO_SIGNAL}, unsigned{V4L2_IN_ST_NO_H_LOCK},
                            unsigned{V4L2_IN_ST_COLOR_KILL}}) {
        for (uint32_t source : {0u, 1u}) {
            Video().inputs[2].status = status;
            Video().inputs[3].status = status;
            SetTVParam(1, source);
            const bool lock = status == 0 || status == V4L2_IN_ST_COLOR_KILL;
            EXPECT_EQ(I2C_Read(0x88, 0x00) & 0x40, lock ? 0x40u : 0u) << "status " << status << " source " << source;
        }
    }
}

// The mixer driver: device 0 is the first V4L2 device with audio controls;
// the library finds its auxiliary line, and volume 0..65535 lands on the
// device's volume range.
TEST_F(LibraryOnV4l2, TvAudioReachesTheDevicesAudioControls) {
    Fake().devices["/dev/video0"].controls.erase(V4L2_CID_AUDIO_VOLUME);
    Fake().devices["/dev/video0"].controls.erase(V4L2_CID_AUDIO_MUTE);
    Fake().devices["/dev/video4"] = VividLike();
    setenv("TVHOST_MIXERS", V4l2MixerPath().c_str(), 1);
    TvHostMixerReset();
    TvMixerLine line{};
    ASSERT_EQ(InitTVAudio(&line), 1u);
    EXPECT_EQ(line.volumeMin, 0u);
    EXPECT_EQ(line.volumeMax, 65535u);
    EXPECT_EQ(Fake().openFds.size(), 1u);
    EXPECT_EQ(Fake().openFds.begin()->second, "/dev/video4");
    auto describe = V4l2MixerExport<MxdDescribeDeviceProc>(MXD_DESCRIBE_DEVICE_NAME);
    EXPECT_EQ(AskWords([&](char *text, uint32_t size) { return describe(0, text, size); }),
              "/dev/video4 \"" + Fake().devices["/dev/video4"].card + "\"");
    EXPECT_EQ(describe(1, nullptr, 0), 0u) << "the one device with audio controls";
    auto refusal = V4l2MixerExport<MxdRefusalReasonProc>(MXD_REFUSAL_REASON_NAME);
    EXPECT_EQ(refusal(nullptr, 0), 0u) << "it serves";
    struct Case {
        uint32_t volume, result;
        Effects effects;
        uint32_t readBack;
    } cases[] = {
        {0, 0, {"S_CTRL volume 0"}, 0},
        {65535, 0, {"S_CTRL volume 255"}, 65535},
        {32768, 0, {"S_CTRL volume 128"}, 32896},  // the nearest of 256 steps
        {65536, MIXERR_INVALVALUE, {}, 32896},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(EffectsOf([&] { EXPECT_EQ(SetTVVol(&line, c.volume), c.result); }), c.effects) << c.volume;
        EXPECT_EQ(GetTVVol(&line), c.readBack) << c.volume;
        EXPECT_EQ(line.rightVolume, c.readBack) << c.volume;
    }
    EXPECT_EQ(EffectsOf([&] { EXPECT_EQ(SetTVMute(&line, 1), 0u); }), Effects{"S_CTRL mute 1"});
    EXPECT_EQ(GetTVMute(&line), 1u);
    Fake().devices["/dev/video4"].controls[V4L2_CID_AUDIO_MUTE].value = 0;  // another program unmutes
    EXPECT_EQ(GetTVMute(&line), 0u);
    TvHostMixerReset();
    EXPECT_TRUE(Fake().openFds.empty()) << "closing the mixer closes the device";
}

TEST_F(LibraryOnV4l2, AMixerWithoutAudioControlsSaysWhyItServesNone) {
    Fake().devices["/dev/video0"].controls.erase(V4L2_CID_AUDIO_VOLUME);
    Fake().devices["/dev/video0"].controls.erase(V4L2_CID_AUDIO_MUTE);
    setenv("TVHOST_MIXERS", V4l2MixerPath().c_str(), 1);
    TvHostMixerReset();
    EXPECT_EQ(mixerGetNumDevs(), 0u);
    const std::string reason = "no V4L2 device with audio controls (volume or mute) among 1 /dev/video node(s)";
    EXPECT_EQ(AskWords(V4l2MixerExport<MxdRefusalReasonProc>(MXD_REFUSAL_REASON_NAME)), reason);
    EXPECT_EQ(std::string(TvHostLastLoadError()), V4l2MixerPath() + ": the mixer driver serves no device: " + reason);
    TvHostMixerReset();
}

}  // namespace
}  // namespace tvtest
