// The bus driver's tuner exports (tvv4l2_tuner.h) against the fake device:
// standards, the tuner's reading and audio mode on the held device, and the
// listing of devices with a tuner.
#include <errno.h>

#include <functional>

#include "tvv4l2_tuner.h"
#include "v4l2_fixture.h"

namespace tvtest {
namespace {

using TunerExports = V4l2Test;

FakeVideo &Video() { return Fake().devices["/dev/video0"]; }

TEST_F(TunerExports, StandardsFrequencyAndAudioModeReachTheHeldDevice) {
    auto listStandards = V4l2BusExport<decltype(&TvV4l2ListStandards)>("TvV4l2ListStandards");
    auto getStandard = V4l2BusExport<decltype(&TvV4l2GetStandard)>("TvV4l2GetStandard");
    auto setStandard = V4l2BusExport<decltype(&TvV4l2SetStandard)>("TvV4l2SetStandard");
    auto readTuner = V4l2BusExport<decltype(&TvV4l2ReadTuner)>("TvV4l2ReadTuner");
    auto setAudioMode = V4l2BusExport<decltype(&TvV4l2SetAudioMode)>("TvV4l2SetAudioMode");
    Video() = VividLike();

    uint64_t standard = 0;
    TvV4l2TunerReading reading{};
    EXPECT_EQ(getStandard(&standard), TVV4L2_ERR_NOT_OPEN) << "no bus connected: nothing held";
    EXPECT_EQ(readTuner(&reading), TVV4L2_ERR_NOT_OPEN);
    ASSERT_EQ(Connect(DLL_PROCESS_ATTACH), 1);

    struct Case {
        const char *what;
        std::function<uint32_t()> call;
        uint32_t result;
        std::vector<std::string> effects;
    } cases[] = {
        {"set a listed standard", [&] { return setStandard(V4L2_STD_PAL_BG); }, 0, {"S_STD 7"}},
        {"set part of a listed group", [&] { return setStandard(V4L2_STD_PAL_G); }, 0, {"S_STD 4"}},
        {"a standard the device lacks", [&] { return setStandard(V4L2_STD_PAL_M); }, EINVAL, {}},
        {"no standard at all", [&] { return setStandard(0); }, EINVAL, {}},
        {"read it back", [&] { return getStandard(&standard); }, 0, {}},
        {"audio mode lang2", [&] { return setAudioMode(V4L2_TUNER_MODE_LANG2); }, 0, {"S_TUNER 0 2"}},
        {"an audio mode past the last", [&] { return setAudioMode(9); }, EINVAL, {}},
        {"the tuner refuses its reading", [&] { Video().failures[VIDIOC_G_FREQUENCY] = EIO; return readTuner(&reading); },
         EIO, {}},
    };
    for (const Case &c : cases) {
        Fake().effects.clear();
        EXPECT_EQ(c.call(), c.result) << c.what;
        EXPECT_EQ(Fake().effects, c.effects) << c.what;
    }
    EXPECT_EQ(standard, V4L2_STD_PAL_G);

    // The frequency another program set, in Hz whatever the tuner's unit.
    Video().failures.clear();
    for (uint32_t capability : {0u, uint32_t{V4L2_TUNER_CAP_LOW}, uint32_t{V4L2_TUNER_CAP_1HZ}}) {
        Video().tunerCapability = capability;
        const uint32_t perSixteenth = capability == V4L2_TUNER_CAP_LOW ? 1000 : capability == 0 ? 1 : 62500;
        Video().frequency = 2804 * perSixteenth;  // 175.25 MHz
        Video().stations = {Video().frequency};
        ASSERT_EQ(readTuner(&reading), 0u);
        EXPECT_EQ(reading.frequencyHz, 175250000u) << capability;
        EXPECT_EQ(reading.rangeLowHz, 44000000u) << capability;
        EXPECT_EQ(reading.rangeHighHz, 958000000u) << capability;
    }
    EXPECT_EQ(reading.signal, 0xFFFFu);
    EXPECT_EQ(reading.audmode, uint32_t{V4L2_TUNER_MODE_LANG2});
    EXPECT_EQ(reading.rxsubchans, uint32_t{V4L2_TUNER_SUB_MONO | V4L2_TUNER_SUB_STEREO});

    TvV4l2Standard listed[3];
    uint32_t count = 0;
    ASSERT_EQ(listStandards(listed, 3, &count), 0u);
    ASSERT_EQ(count, 3u) << "cut at the capacity";
    EXPECT_EQ(listed[2].id, uint64_t{V4L2_STD_PAL_BG});
    Video().standards.clear();
    EXPECT_EQ(listStandards(listed, 3, &count), 0u) << "no standards is an empty list, not a failure";
    EXPECT_EQ(count, 0u);
}

TEST_F(TunerExports, ListsEveryNodeWithATunerAndItsInputsAndStandards) {
    auto listDevices = V4l2BusExport<decltype(&TvV4l2ListDevices)>("TvV4l2ListDevices");
    Fake().devices["/dev/video3"] = VividLike();
    Fake().devices["/dev/video1"] = VividLike();
    Fake().devices["/dev/video1"].card = "second";
    Fake().devices["/dev/video0"].caps = V4L2_CAP_VIDEO_CAPTURE;  // a webcam
    Fake().devices["/dev/video2"] = VividLike();
    Fake().devices["/dev/video2"].openErrno = EBUSY;
    std::vector<TvV4l2DeviceInfo> seen;
    auto collect = [](const TvV4l2DeviceInfo *device, void *context) {
        static_cast<std::vector<TvV4l2DeviceInfo> *>(context)->push_back(*device);
        return 1;
    };
    EXPECT_EQ(listDevices(collect, &seen), 2u);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_STREQ(seen[0].path, "/dev/video1");
    EXPECT_STREQ(seen[0].card, "second");
    EXPECT_STREQ(seen[0].bus, "platform:second");
    EXPECT_STREQ(seen[1].path, "/dev/video3");
    EXPECT_EQ(seen[1].inputCount, 4u);
    EXPECT_STREQ(seen[1].inputs[3], "S-Video 0");
    EXPECT_EQ(seen[1].inputTypes[0], uint32_t{V4L2_INPUT_TYPE_TUNER});
    ASSERT_EQ(seen[1].standardCount, 5u);
    EXPECT_EQ(seen[1].standards[4].id, uint64_t{V4L2_STD_SECAM_L});
    EXPECT_TRUE(Fake().openFds.empty()) << "every node closed again";
    seen.clear();
    EXPECT_EQ(listDevices([](const TvV4l2DeviceInfo *, void *) { return 0; }, nullptr), 1u) << "stops when told";
}

}  // namespace
}  // namespace tvtest
