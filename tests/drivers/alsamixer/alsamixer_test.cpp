// The ALSA mixer driver end to end: the library's TV audio calls through the
// host's mixer functions, the driver, alsa-lib's simple-mixer layer and the
// real alsa-lib, down to a user-space control device (alsa_ctl_plugin.c)
// that spells its controls as several kernel drivers do and keeps its values
// in a file. The test reads and writes the same controls through alsa-lib
// directly to see both sides.
#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "audio/tv_audio.h"
#include "support/driver_words.h"
#include "support/test_env.h"
#include "tvcore.h"
#include "tvhost/diag.h"
#include "tvhost/mixer_driver.h"
#include "tvmixalsa.h"
#include "tvmixalsa_scale.h"

namespace {

using namespace tvcore;

using tvmixalsa::CardRange;
using tvmixalsa::CardToScale;
using tvmixalsa::kScaleMax;
using tvmixalsa::ScaleToCard;

// The mapping on its own, over ranges small, signed, as wide as the scale and
// wider than it.
TEST(VolumeScale, EndsRoundTripsAndNearestValue) {
    const CardRange ranges[] = {{0, 1},      {0, 31},    {-20, 10},     {-50, 100},
                                {0, 255},    {1, 65536}, {0, 100000},   {INT32_MIN, INT32_MAX},
                                {-65535, 0}, {5, 6},     {-1, 65534}};
    for (CardRange range : ranges) {
        SCOPED_TRACE(testing::Message() << range.min << ".." << range.max);
        EXPECT_EQ(ScaleToCard(0, range), range.min);
        EXPECT_EQ(ScaleToCard(kScaleMax, range), range.max);
        EXPECT_EQ(CardToScale(range.min, range), 0u);
        EXPECT_EQ(CardToScale(range.max, range), kScaleMax);
        EXPECT_EQ(CardToScale(range.min - 1, range), 0u) << "below the range counts as its bottom";
        EXPECT_EQ(CardToScale(range.max + 1, range), kScaleMax);
        // Every card value the scale can tell apart survives a read and a
        // write back; on wider ranges every scale value does.
        const double step = static_cast<double>(range.Span()) / kScaleMax;
        const int64_t cardStride = static_cast<int64_t>(range.Span() / 4096) + 1;
        if (range.Span() <= kScaleMax) {
            for (int64_t card = range.min; card <= range.max; card += cardStride) {
                ASSERT_EQ(ScaleToCard(CardToScale(card, range), range), card);
            }
        }
        int64_t previous = range.min;
        for (uint32_t scale = 0; scale <= kScaleMax; ++scale) {
            int64_t card = ScaleToCard(scale, range);
            ASSERT_GE(card, previous) << scale;  // monotonic, and within the range
            ASSERT_LE(card, range.max) << scale;
            ASSERT_LE(std::abs(static_cast<double>(card - range.min) - scale * step), 0.5 + 1e-9) << scale;
            if (range.Span() >= kScaleMax) {
                ASSERT_EQ(CardToScale(card, range), scale);
            }
            previous = card;
        }
    }
}

class AlsaMixer : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = tvtest::MakeTempDir("alsa");
        std::string config = dir_ + "/asound.conf";
        std::string text = "ctl_type.tvtest { lib \"" TVCORE_TEST_ALSA_PLUGIN "\" }\n";
        for (const char *layout : {"aux", "noaux", "es1370", "dummy", "signed"})
            text += std::string("ctl.") + layout + " { type tvtest state \"" + dir_ + "/" + layout + "\" layout " +
                    layout + " }\n";
        tvtest::WriteFile(config, text);
        setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
        unsetenv("TVMIXALSA_ELEMENT");
        UseDevices("aux, noaux");
        setenv("TVHOST_MIXERS", "tvmixalsa", 1);
    }
    void TearDown() override {
        unsetenv("TVMIXALSA_ELEMENT");
        TvHostMixerReset();
    }

    static void UseDevices(const char *devices) {
        setenv("TVMIXALSA_DEVICES", devices, 1);
        TvHostMixerReset();
    }

    // Reads (or, with `write`, first writes) control `name` of control device
    // `device` through alsa-lib itself.
    static std::vector<long> Control(const char *device, const char *name, const std::vector<long> *write = nullptr) {
        snd_ctl_t *ctl = nullptr;
        EXPECT_EQ(snd_ctl_open(&ctl, device, 0), 0);
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

    std::string dir_;
};

TEST_F(AlsaMixer, LinesHaveTheirNaturalTypesOnTheScale) {
    EXPECT_EQ(mixerGetNumDevs(), 2u);
    MIXERLINEA speakers{};
    speakers.cbStruct = sizeof speakers;
    ASSERT_EQ(mixerGetLineInfoA(0, &speakers, MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_DESTINATION), MMSYSERR_NOERROR);
    EXPECT_EQ(speakers.dwComponentType, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
    EXPECT_EQ(speakers.cConnections, 3u) << "PCM, Mic and Aux";
    EXPECT_EQ(speakers.cControls, 2u);
    struct Source {
        DWORD componentType, channels, steps;
        const char *shortName;
    } sources[] = {{MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, 2, 255, "PCM"},
                   {MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 1, 15, "Mic"},
                   {MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY, 2, 31, "Aux"}};
    for (DWORD s = 0; s < 3; ++s) {
        MIXERLINEA line{};
        line.cbStruct = sizeof line;
        line.dwSource = s;
        ASSERT_EQ(mixerGetLineInfoA(0, &line, MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_SOURCE), MMSYSERR_NOERROR);
        EXPECT_EQ(line.dwComponentType, sources[s].componentType) << s;
        EXPECT_EQ(line.cChannels, sources[s].channels) << s;
        EXPECT_STREQ(line.szShortName, sources[s].shortName) << s;
        MIXERCONTROLA control{};
        MIXERLINECONTROLSA request{sizeof request, line.dwLineID, {MIXERCONTROL_CONTROLTYPE_VOLUME}, 1,
                                   sizeof control, &control};
        ASSERT_EQ(mixerGetLineControlsA(0, &request, MIXER_OBJECTF_MIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE),
                  MMSYSERR_NOERROR);
        EXPECT_EQ(control.Bounds.dwMinimum, 0u) << s;
        EXPECT_EQ(control.Bounds.dwMaximum, 65535u) << s;
        EXPECT_EQ(control.Metrics.cSteps, sources[s].steps) << s;
    }
    MIXERLINEA aux{};
    aux.cbStruct = sizeof aux;
    aux.dwComponentType = MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY;
    EXPECT_EQ(mixerGetLineInfoA(1, &aux, MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_COMPONENTTYPE), MIXERR_INVALLINE)
        << "the second device has no Aux element";
}

// The auxiliary element on cards that spell its controls differently, chosen
// by the setting, with signed and unsigned ranges.
struct AuxCase {
    const char *device, *element;  // TVMIXALSA_ELEMENT; nullptr: unset
    const char *volume, *swtch;    // the card's controls; swtch nullptr: none
    long min, max;
};

TEST_F(AlsaMixer, AuxElementIsDrivenOnTheScaleWhateverItsControlsAreCalled) {
    const AuxCase cases[] = {
        {"aux", nullptr, "Aux Playback Volume", "Aux Playback Switch", 0, 31},
        {"es1370", nullptr, "Aux Volume", "Aux Playback Switch", 0, 31},
        {"signed", "aux", "Aux Playback Volume", "Aux Playback Switch", -20, 10},
        {"dummy", "Line", "Line Volume", nullptr, -50, 100},
        {"es1370", "CD,0", "CD Volume", "CD Playback Switch", 0, 31},
    };
    for (const AuxCase &c : cases) {
        SCOPED_TRACE(std::string(c.device) + " " + (c.element ? c.element : "(unset)"));
        if (c.element != nullptr)
            setenv("TVMIXALSA_ELEMENT", c.element, 1);
        else
            unsetenv("TVMIXALSA_ELEMENT");
        UseDevices(c.device);
        const CardRange range{c.min, c.max};
        TvMixerLine line{};
        EXPECT_EQ(InitTVAudio(&line), c.swtch != nullptr ? 1u : 0u) << "no playback switch: no mute control";
        EXPECT_EQ(line.volumeMin, 0u);
        EXPECT_EQ(line.volumeMax, 65535u);
        ASSERT_NE(line.volumeControlId, 0u);

        for (uint32_t scale : {0u, 65535u, 40000u, 1u, 32768u}) {
            ASSERT_EQ(SetTVVol(&line, scale), MMSYSERR_NOERROR) << scale;
            long card = static_cast<long>(ScaleToCard(scale, range));
            EXPECT_EQ(Control(c.device, c.volume), (std::vector<long>{card, card})) << scale;
            EXPECT_EQ(GetTVVol(&line), CardToScale(card, range)) << "the nearest value the card holds";
        }
        // Another program's change, per channel; negative values stay negative.
        std::vector<long> split = {c.min + 1, c.max - 2};
        Control(c.device, c.volume, &split);
        EXPECT_EQ(GetTVVol(&line), CardToScale(split[0], range));
        EXPECT_EQ(line.rightVolume, CardToScale(split[1], range));
        EXPECT_EQ(SetTVVol(&line, 65536), MIXERR_INVALVALUE);
        EXPECT_EQ(SetTVVol(&line, 0xFFFFFFFBu), MIXERR_INVALVALUE) << "no wrap to a negative card value";
        EXPECT_EQ(Control(c.device, c.volume), split) << "a refused value changes nothing";

        if (c.swtch != nullptr) {
            EXPECT_EQ(SetTVMute(&line, 1), MMSYSERR_NOERROR);
            EXPECT_EQ(Control(c.device, c.swtch), (std::vector<long>{0, 0}));
            EXPECT_EQ(GetTVMute(&line), 1u);
            EXPECT_EQ(SetTVMute(&line, 0), MMSYSERR_NOERROR);
            EXPECT_EQ(Control(c.device, c.swtch), (std::vector<long>{1, 1}));
            EXPECT_EQ(GetTVMute(&line), 0u);
        } else {
            EXPECT_EQ(line.muteControlId, 0u);
        }
        ReleaseTVAudio();
    }
}

TEST_F(AlsaMixer, ChosenElementReplacesItsNaturalLine) {
    setenv("TVMIXALSA_ELEMENT", "line", 1);  // any letter case
    UseDevices("dummy");
    MIXERLINEA speakers{};
    speakers.cbStruct = sizeof speakers;
    ASSERT_EQ(mixerGetLineInfoA(0, &speakers, MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_DESTINATION), MMSYSERR_NOERROR);
    EXPECT_EQ(speakers.cConnections, 2u) << "CD and the auxiliary line";
    const DWORD expected[] = {MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY};
    for (DWORD s = 0; s < 2; ++s) {
        MIXERLINEA line{};
        line.cbStruct = sizeof line;
        line.dwSource = s;
        ASSERT_EQ(mixerGetLineInfoA(0, &line, MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_SOURCE), MMSYSERR_NOERROR);
        EXPECT_EQ(line.dwComponentType, expected[s]) << s;
    }
    EXPECT_STREQ(speakers.szName, "Master");
}

TEST_F(AlsaMixer, NoSuchElementLeavesNoTvSoundLine) {
    for (const char *device : {"dummy", "noaux"}) {
        UseDevices(device);
        TvMixerLine line{};
        EXPECT_EQ(InitTVAudio(&line), 0u) << device;
        EXPECT_NE(line.mixerHandle, 0u) << device;
        EXPECT_EQ(line.volumeControlId, 0u) << device;
        ReleaseTVAudio();
    }
}

TEST_F(AlsaMixer, DescribeShowsTheCardsOwnValueAndDb) {
    void *driver = dlopen(TVCORE_TEST_ALSA_DRIVER, RTLD_NOW);
    ASSERT_NE(driver, nullptr) << dlerror();
    auto describe = reinterpret_cast<decltype(&TvMixAlsaDescribe)>(dlsym(driver, "TvMixAlsaDescribe"));
    ASSERT_NE(describe, nullptr);
    setenv("TVMIXALSA_ELEMENT", "Line", 1);
    UseDevices("dummy, noaux");
    ASSERT_EQ(mixerGetNumDevs(), 2u);
    std::vector<long> values = {-50, 0};
    Control("dummy", "Line Volume", &values);
    TvMixAlsaElement element{};
    ASSERT_EQ(describe(0, &element), 0);
    EXPECT_STREQ(element.device, "dummy");
    EXPECT_STREQ(element.element, "Line");
    EXPECT_EQ(element.channels, 2u);
    EXPECT_EQ(element.min, -50);
    EXPECT_EQ(element.max, 100);
    EXPECT_EQ(element.value[0], -50);
    EXPECT_EQ(element.value[1], 0);
    EXPECT_EQ(element.scale[1], CardToScale(0, CardRange{-50, 100}));
    EXPECT_EQ(element.hasSwitch, 0);
    ASSERT_EQ(element.hasDb, 1);
    EXPECT_EQ(element.dbMin, -4500);
    EXPECT_EQ(element.dbMax, 0);
    EXPECT_EQ(element.db[0], -4500);
    EXPECT_EQ(element.db[1], -3000);
    EXPECT_EQ(describe(1, &element), -3) << "no Line element";
    EXPECT_EQ(describe(2, &element), -1);
    EXPECT_EQ(describe(0, nullptr), -1);
    auto words = reinterpret_cast<MxdDescribeDeviceProc>(dlsym(driver, MXD_DESCRIBE_DEVICE_NAME));
    ASSERT_NE(words, nullptr);
    auto device = [&](UINT id) {
        return tvtest::AskWords([&](char *text, uint32_t size) { return words(id, text, size); });
    };
    EXPECT_EQ(device(1), "noaux") << "a control device that is no hw:N card goes by its name alone";
    EXPECT_EQ(device(2), "");
    dlclose(driver);
}

TEST_F(AlsaMixer, ADeviceThatDoesNotOpenFailsTheOpen) {
    UseDevices("no_such_ctl_device");
    ASSERT_EQ(mixerGetNumDevs(), 1u);
    TvMixerLine line{};
    EXPECT_EQ(InitTVAudio(&line), 0u);
    EXPECT_EQ(line.mixerHandle, 0u);
}

// Why the driver serves the library no TV sound: no control device at all
// (the host's words for the skip), or no auxiliary element on the first.
TEST_F(AlsaMixer, SaysWhyItServesNoTvSound) {
    void *driver = dlopen(TVCORE_TEST_ALSA_DRIVER, RTLD_NOW);
    ASSERT_NE(driver, nullptr) << dlerror();
    auto reason = reinterpret_cast<MxdRefusalReasonProc>(dlsym(driver, MXD_REFUSAL_REASON_NAME));
    ASSERT_NE(reason, nullptr);
    struct Case {
        const char *devices, *element;
        uint32_t count;
        const char *words;
    } cases[] = {
        {"aux", nullptr, 1, ""},
        {"noaux, aux", nullptr, 2, "noaux has no playback element 'Aux' (TVMIXALSA_ELEMENT): no TV sound line"},
        {"aux", "Line,2", 1, "aux has no playback element 'Line',2 (TVMIXALSA_ELEMENT): no TV sound line"},
        {" , ", nullptr, 0, "TVMIXALSA_DEVICES names no control device"},
    };
    for (const Case &c : cases) {
        if (c.element != nullptr) setenv("TVMIXALSA_ELEMENT", c.element, 1);
        UseDevices(c.devices);
        EXPECT_EQ(mixerGetNumDevs(), c.count) << c.devices;
        EXPECT_EQ(tvtest::AskWords(reason), c.words) << c.devices;
        if (c.count == 0) {
            EXPECT_EQ(std::string(TvHostLastLoadError()),
                      std::string("tvmixalsa: the mixer driver serves no device: ") + c.words);
        }
        unsetenv("TVMIXALSA_ELEMENT");
    }
    dlclose(driver);
}

}  // namespace
