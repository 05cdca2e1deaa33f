// What tvctl makes of a TV standard's and an audio mode's name on each kind
// of card, which record a run keeps its tuning in, and how the record follows
// a V4L2 tuner that another program moved.
#include <gtest/gtest.h>
#include <linux/videodev2.h>
#include <stdlib.h>

#include "audio_mode_ops.h"
#include "standard_ops.h"
#include "tuner_follow.h"
#include "tuner_record_key.h"

namespace {

using namespace tvctl;

TEST(TvctlTunerWords, StandardAndAudioModeNamesAndTheNtscOnlyCards) {
    struct Case {
        const char *name;
        bool known;
        uint64_t mask;
        bool onNtscOnlyCard;  // taken by the simulated card and the i2c-dev bus's card
    } cases[] = {
        {"ntsc-m", true, V4L2_STD_NTSC_M, true},   {"NTSC", true, V4L2_STD_NTSC, true},
        {"ntsc-m-jp", true, V4L2_STD_NTSC_M_JP, false}, {"pal-bg", true, V4L2_STD_PAL_BG, false},
        {"Pal-I", true, V4L2_STD_PAL_I, false},    {"pal-dk", true, V4L2_STD_PAL_DK, false},
        {"secam-l", true, V4L2_STD_SECAM_L, false}, {"pal", true, V4L2_STD_PAL, false},
        {"ntsc-m ", false, 0, false},              {"", false, 0, false},
        {"pal_bg", false, 0, false},
    };
    for (const Case &c : cases) {
        std::string error;
        const tvcore::card::AnalogStandard *standard = ParseStandard(c.name, error);
        ASSERT_EQ(standard != nullptr, c.known) << c.name;
        if (!c.known) {
            EXPECT_NE(error.find("the standards are ntsc, ntsc-m,"), std::string::npos) << error;
            continue;
        }
        EXPECT_EQ(standard->mask, c.mask) << c.name;
        const std::string refusal = NtscOnlyRefusal("the simulated card", *standard);
        EXPECT_EQ(refusal.empty(), c.onNtscOnlyCard) << c.name << ": " << refusal;
        if (!refusal.empty()) {
            EXPECT_EQ(refusal, "the simulated card receives NTSC-M only, so it cannot be set to " +
                                   std::string(standard->name));
        }
    }
    EXPECT_EQ(StandardWords(V4L2_STD_PAL_BG), "pal-bg");
    EXPECT_EQ(StandardWords(V4L2_STD_PAL_B | V4L2_STD_PAL_I, "PAL BI"), "pal-bi") << "no table entry: the driver's name";
    EXPECT_EQ(StandardWords(V4L2_STD_PAL_B | V4L2_STD_PAL_I), "0x00000011");

    struct ModeCase {
        const char *name;
        std::optional<uint32_t> mode;
        const char *shown;
    } modes[] = {
        {"mono", V4L2_TUNER_MODE_MONO, "mono"},    {"Stereo", V4L2_TUNER_MODE_STEREO, "stereo"},
        {"lang1", V4L2_TUNER_MODE_LANG1, "lang1"}, {"sap", V4L2_TUNER_MODE_SAP, "lang2"},
        {"lang1+lang2", V4L2_TUNER_MODE_LANG1_LANG2, "lang1+lang2"},
        {"lang3", std::nullopt, ""},               {"", std::nullopt, ""},
    };
    for (const ModeCase &c : modes) {
        EXPECT_EQ(ParseAudioMode(c.name), c.mode) << c.name;
        if (c.mode) {
            EXPECT_EQ(AudioModeWords(*c.mode), c.shown) << c.name;
        }
    }
    EXPECT_EQ(SubchannelNames(V4L2_TUNER_SUB_MONO | V4L2_TUNER_SUB_LANG1 | V4L2_TUNER_SUB_LANG2 | V4L2_TUNER_SUB_RDS),
              (std::vector<std::string>{"mono", "lang1", "lang2"}));
}

TEST(TvctlTunerWords, EachBusAndDeviceKeepsARecordOfItsOwn) {
    unsetenv("TVV4L2_DEVICE");
    unsetenv("TVV4L2_CARD");
    unsetenv("TVI2C_DEVICE");
    unsetenv("TVI2C_ADAPTER");
    auto options = [](BusChoice bus, bool given, std::string v4l2, std::string i2c) {
        HostOptions host;
        host.bus = bus;
        host.busGiven = given;
        host.v4l2Device = std::move(v4l2);
        host.i2cDevice = std::move(i2c);
        return host;
    };
    struct Case {
        HostOptions host;
        const char *modulePath;  // TVHOST_PATH
        const char *file;
    } cases[] = {
        {options(BusChoice::Simulated, false, "", ""), "", "tuner"},
        {options(BusChoice::Simulated, true, "", ""), "/opt/lib/tvcore/v4l2", "tuner"},
        {options(BusChoice::V4l2, true, "/dev/video0", ""), "", "tuner-v4l2-%2Fdev%2Fvideo0"},
        {options(BusChoice::V4l2, true, "vivid", ""), "", "tuner-v4l2-vivid"},
        {options(BusChoice::V4l2, true, "", ""), "", "tuner-v4l2"},
        {options(BusChoice::I2cDev, true, "", "/dev/i2c-3"), "", "tuner-i2cdev-%2Fdev%2Fi2c-3"},
        {options(BusChoice::Simulated, false, "", ""), "/opt/lib/tvcore/v4l2/:/opt/lib/tvcore", "tuner-v4l2"},
        {options(BusChoice::Simulated, false, "", ""), "/x/i2cdev", "tuner-i2cdev"},
        {options(BusChoice::V4l2, true, "../../x y", ""), "", "tuner-v4l2-..%2F..%2Fx%20y"},
    };
    for (const Case &c : cases) {
        setenv("TVHOST_PATH", c.modulePath, 1);
        EXPECT_EQ(TunerRecordFileName(RecordKeyOfHost(c.host)), c.file) << c.file;
    }
    unsetenv("TVHOST_PATH");
    // A long name is cut, and two long names that share their start stay apart.
    const std::string a = TunerRecordFileName({"v4l2", std::string(300, 'a') + "1"});
    const std::string b = TunerRecordFileName({"v4l2", std::string(300, 'a') + "2"});
    EXPECT_LT(a.size(), 140u);
    EXPECT_NE(a, b);
}

TEST(TvctlTunerWords, TheRecordFollowsTheDevicesFrequency) {
    const PlanInfo cable = CablePlan();
    const TunerMemory channel7{"tuner", cable.plan, "7", 175250000, 0};
    const TunerMemory channel7Fine{"tuner", cable.plan, "7", 175250000, 3};
    struct Case {
        const char *what;
        TunerMemory before;
        uint64_t deviceHz;
        TunerMemory after;
    } cases[] = {
        {"already there", channel7, 175250000, channel7},
        {"there with fine tuning", channel7Fine, 175437500, channel7Fine},
        {"another channel of the plan", channel7, 181250000, {"tuner", cable.plan, "8", 181250000, 0}},
        {"a fine step off the channel", channel7, 175312500, {"tuner", cable.plan, "7", 175250000, 1}},
        {"beyond fine tuning", channel7, 178000000, {"tuner", cable.plan, "", 178000000, 0}},
        {"nothing recorded yet", TunerMemory{}, 175250000, channel7},
        {"nothing recorded, off the plan", TunerMemory{}, 178000000, {"tuner", cable.plan, "", 178000000, 0}},
        {"a frequency record, moved a step",
         {"tuner", cable.plan, "", 178000000, 0}, 178062500, {"tuner", cable.plan, "", 178000000, 1}},
    };
    for (const Case &c : cases) EXPECT_EQ(FollowFrequency(c.before, cable, c.deviceHz), c.after) << c.what;
}

}  // namespace
