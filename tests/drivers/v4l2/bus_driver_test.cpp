// The V4L2 bus driver on its own: which device it takes, why it refuses,
// and the register file's answers to the bus calls.
#include <stdlib.h>

#include <map>
#include <utility>
#include <vector>

#include "support/driver_words.h"
#include "support/test_env.h"
#include "tvv4l2.h"
#include "v4l2_fixture.h"

namespace tvtest {
namespace {

using BusConnect = V4l2Test;

FakeVideo Webcam() {
    FakeVideo video;
    video.card = "USB camera";
    video.caps = V4L2_CAP_VIDEO_CAPTURE;
    video.inputs = {{"Camera 1"}};
    return video;
}

bool Contains(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

TEST_F(BusConnect, TakesTheOneFittingDeviceOrRefusesInWords) {
    const FakeVideo vivid = VividLike(), webcam = Webcam();
    FakeVideo vivid2 = vivid, busy = vivid, noV4l2 = vivid, cameraInput = vivid;
    vivid2.card = "vivid 2";
    busy.openErrno = EBUSY;
    noV4l2.failures[VIDIOC_QUERYCAP] = ENOTTY;
    cameraInput.inputs[0].type = V4L2_INPUT_TYPE_CAMERA;
    // Each case: the devices by path (none named: `vivid` at /dev/video0)
    // and the driver's settings.
    struct Case {
        const char *what;
        std::map<std::string, FakeVideo> devices;
        std::vector<std::pair<const char *, const char *>> settings;
        const char *opened;  // the device kept open; nullptr: refused
        const char *lineMentions;
    } cases[] = {
        {"the only tuner among nodes", {{"/dev/video2", vivid}, {"/dev/video0", webcam}}, {}, "/dev/video2",
         "bus on /dev/video2"},
        {"by path", {{"/dev/video0", vivid}, {"/dev/video1", vivid}}, {{"TVV4L2_DEVICE", "/dev/video1"}},
         "/dev/video1", "tuner \"TV 0\""},
        {"exact card name wins", {{"/dev/video0", vivid2}, {"/dev/video1", vivid}}, {{"TVV4L2_CARD", "vivid"}},
         "/dev/video1", "vivid"},
        {"two cards contain the name", {{"/dev/video0", vivid2}, {"/dev/video1", vivid}}, {{"TVV4L2_CARD", "viv"}},
         nullptr, "2 V4L2 devices with a tuner fit (TVV4L2_CARD)"},
        {"two tuners, no setting", {{"/dev/video0", vivid}, {"/dev/video1", vivid}}, {}, nullptr,
         "TVV4L2_DEVICE=/dev/videoN"},
        {"no tuner anywhere", {{"/dev/video0", webcam}}, {}, nullptr,
         "no V4L2 device with a tuner and video capture in /dev (is the card's driver loaded?); "
         "passed over: /dev/video0 (\"USB camera\", no tuner)"},
        {"the tuner busy", {{"/dev/video0", webcam}, {"/dev/video1", busy}}, {}, nullptr,
         "passed over: /dev/video0 (\"USB camera\", no tuner), /dev/video1 (Device or resource busy)"},
        {"path without a tuner", {{"/dev/video0", webcam}}, {{"TVV4L2_DEVICE", "/dev/video0"}}, nullptr,
         "has no tuner (V4L2_CAP_TUNER missing)"},
        {"device busy", {{"/dev/video0", busy}}, {{"TVV4L2_DEVICE", "/dev/video0"}}, nullptr,
         "cannot use /dev/video0 (TVV4L2_DEVICE): Device or resource busy"},
        {"path that is no V4L2 node", {{"/dev/video0", noV4l2}}, {{"TVV4L2_DEVICE", "/dev/video0"}}, nullptr,
         "cannot use /dev/video0"},
        {"tuner flag but no tuner input", {{"/dev/video0", cameraInput}}, {}, nullptr, "no input of tuner type"},
        {"unknown board", {}, {{"TVV4L2_BOARD", "kestrel"}}, nullptr, "say standard or alternative"},
        {"input mapping to a missing input", {}, {{"TVV4L2_INPUTS", "composite=Webcam 9"}},
         nullptr, "input \"Webcam 9\""},
        {"input mapping to the last input by number", {}, {{"TVV4L2_INPUTS", "composite=3"}},
         "/dev/video0", "composite \"S-Video 0\""},
        {"input number equal to the input count", {}, {{"TVV4L2_INPUTS", "composite=4"}}, nullptr, "input \"4\""},
        {"input number past the end", {}, {{"TVV4L2_INPUTS", "svideo=99"}}, nullptr, "input \"99\""},
        {"input mapping with an unknown role", {}, {{"TVV4L2_INPUTS", "sound=1"}}, nullptr, "unknown role"},
        {"tuner role on a camera input", {}, {{"TVV4L2_INPUTS", "tuner=Webcam 1"}}, nullptr, "no input of tuner type"},
    };
    for (const Case &c : cases) {
        TearDown();
        SetUp();
        if (c.devices.empty()) Fake().devices["/dev/video0"] = vivid;
        for (const auto &[path, video] : c.devices) Fake().devices[path] = video;
        for (const auto &[name, value] : c.settings) setenv(name, value, 1);
        EXPECT_EQ(Connect(DLL_PROCESS_ATTACH), c.opened != nullptr ? 1 : 0) << c.what;
        std::vector<std::string> lines = DebugLines();
        ASSERT_EQ(lines.size(), 1u) << c.what;
        EXPECT_TRUE(Contains(lines[0], c.lineMentions)) << c.what << ": " << lines[0];
        if (c.opened != nullptr) {
            ASSERT_EQ(Fake().openFds.size(), 1u) << c.what;
            EXPECT_EQ(Fake().openFds.begin()->second, c.opened) << c.what;
            EXPECT_EQ(Connect(DLL_THREAD_ATTACH), 1) << c.what;
            EXPECT_EQ(AskWords(V4l2BusExport<TvbusDescribeDeviceProc>(TVBUS_DESCRIBE_DEVICE_NAME)),
                      std::string(c.opened) + " \"" + Fake().devices[c.opened].card + "\"")
                << c.what;
        } else {
            EXPECT_EQ("tvv4l2: " + AskWords(V4l2BusExport<TvbusRefusalReasonProc>(TVBUS_REFUSAL_REASON_NAME)) + "\r",
                      lines[0])
                << c.what << ": the refusal the host is told is the line's own";
            EXPECT_TRUE(Fake().openFds.empty()) << c.what;
            EXPECT_EQ(Read(0x88, 0x00), TVV4L2_READ_FAILURE(TVV4L2_ERR_NOT_OPEN, 0xFF)) << c.what;
        }
        EXPECT_TRUE(Fake().effects.empty()) << c.what << ": connect changes nothing on the device";
    }
}

// Roles learnt from names, and the board from the library's own board file.
TEST_F(BusConnect, LearnsRolesByNameAndTheBoardFromTheBoardFile) {
    FakeVideo video = VividLike();
    video.inputs = {{"Composite1"}, {"Television", V4L2_INPUT_TYPE_TUNER}, {"S-Video"}};
    Fake().devices["/dev/video0"] = video;
    WriteFile(windowsDir_ + "/vidcfg.ini", "[SYSTEM]\nBoardType=QX_KESTREL\n");
    ASSERT_EQ(Connect(DLL_PROCESS_ATTACH), 1);
    EXPECT_TRUE(Contains(DebugLines().at(0),
                         "alternative board; tuner \"Television\", composite \"Composite1\", S-video \"S-Video\""))
        << DebugLines().at(0);
    Connect(DLL_PROCESS_DETACH);
    setenv("TVV4L2_BOARD", "standard", 1);
    setenv("TVV4L2_INPUTS", "composite=none, svideo=0", 1);
    ASSERT_EQ(Connect(DLL_PROCESS_ATTACH), 1);
    EXPECT_TRUE(Contains(DebugLines().at(1), "standard board; tuner \"Television\", composite \"none\", S-video \"Composite1\""))
        << DebugLines().at(1);
}

class BusRegisters : public V4l2Test {
protected:
    void SetUp() override {
        V4l2Test::SetUp();
        Fake().devices["/dev/video0"] = VividLike();
        ASSERT_EQ(Connect(DLL_PROCESS_ATTACH), 1);
    }
    FakeVideo &Video() { return Fake().devices["/dev/video0"]; }
};

// Addresses other than the decoder's and the tuner's, and malformed calls,
// are answered without touching the device.
TEST_F(BusRegisters, OtherAddressesAndBadCallsAreRefusedUntouched) {
    const uint8_t four[4] = {0x0D, 0xD0, 0x8E, 0x02};
    struct Case {
        const char *what;
        uint32_t result, expected;
    } cases[] = {
        {"read 0x90", Read(0x90, 0), TVV4L2_READ_FAILURE(TVV4L2_ERR_NO_DEVICE, 0xFF)},
        {"read 0x188", Read(0x188, 0), TVV4L2_READ_FAILURE(TVV4L2_ERR_NO_DEVICE, 0xFF)},
        {"write 0x42", Write(0x42, 1, 2), TVV4L2_WRITE_FAILURE(TVV4L2_ERR_NO_DEVICE)},
        {"block 0x60", WriteBlk(0x60, four, 4), TVV4L2_WRITE_FAILURE(TVV4L2_ERR_NO_DEVICE)},
        {"register 0x100", Read(0x88, 0x100), TVV4L2_READ_FAILURE(TVV4L2_ERR_BAD_REGISTER, 0xFF)},
        {"tuner block of 3", WriteBlk(0xC2, four, 3), TVV4L2_WRITE_FAILURE(TVV4L2_ERR_BAD_COUNT)},
        {"tuner block of 5", WriteBlk(0xC2, four, 5), TVV4L2_WRITE_FAILURE(TVV4L2_ERR_BAD_COUNT)},
        {"decoder block past 0xFF", WriteBlk(0x88, "\xFF\x01\x02", 3), TVV4L2_WRITE_FAILURE(TVV4L2_ERR_BAD_COUNT)},
        {"null block", WriteBlk(0xC2, nullptr, 4), TVV4L2_WRITE_FAILURE(TVV4L2_ERR_NULL_BLOCK)},
    };
    for (const Case &c : cases) EXPECT_EQ(c.result, c.expected) << c.what;
    EXPECT_TRUE(Fake().effects.empty());
}

TEST_F(BusRegisters, OtherRegistersAreStorageAndTheTunerKeepsItsBlock) {
    EXPECT_EQ(Write(0x88, 0x05, 0x1AB), 0u);
    EXPECT_EQ(Read(0x89, 0x05), 0xABu) << "the read form of the address reaches the same decoder";
    EXPECT_EQ(WriteBlk(0x88, "\x10\x11\x12", 3), 0u);
    EXPECT_EQ(Read(0x88, 0x11), 0x12u);
    const uint8_t block[4] = {0x0D, 0xD0, 0x8E, 0x02};
    EXPECT_EQ(WriteBlk(0xC2, block, 4), 0u);
    for (uint16_t reg = 0; reg < 4; ++reg) EXPECT_EQ(Read(0xC2, reg), block[reg]);
    EXPECT_EQ(Fake().effects, std::vector<std::string>{"S_FREQUENCY 0 2 2804"});
}

// The divider less 45.75 MHz in the tuner's own unit, and refusals outside
// its range, after which the status reports no lock even where the
// previous frequency had signal.
TEST_F(BusRegisters, TunerBlockSetsTheFrequencyInTheTunersUnit) {
    struct Case {
        uint32_t capability;
        uint16_t divider;
        uint32_t result;
        const char *effect;  // nullptr: not tuned
    } cases[] = {
        {0, 3536, 0, "S_FREQUENCY 0 2 2804"},                      // 175.25 MHz in 62.5 kHz
        {V4L2_TUNER_CAP_LOW, 3536, 0, "S_FREQUENCY 0 2 2804000"},  // in 62.5 Hz
        {V4L2_TUNER_CAP_1HZ, 13552, 0, "S_FREQUENCY 0 2 801250000"},
        {0, 1436, 0, "S_FREQUENCY 0 2 704"},                       // 44 MHz, the lowest
        {0, 731, TVV4L2_WRITE_FAILURE(TVV4L2_ERR_RANGE), nullptr},  // below 0 Hz
        {0, 1435, TVV4L2_WRITE_FAILURE(TVV4L2_ERR_RANGE), nullptr},  // 43.9375 MHz
        {V4L2_TUNER_CAP_LOW, 0x4000, TVV4L2_WRITE_FAILURE(TVV4L2_ERR_RANGE), nullptr},  // 978.25 MHz
    };
    for (const Case &c : cases) {
        Video().tunerCapability = c.capability;
        Video().stations = {Video().frequency};  // signal where the tuner stands now
        Fake().effects.clear();
        const uint8_t block[4] = {static_cast<uint8_t>(c.divider >> 8), static_cast<uint8_t>(c.divider), 0x8E, 0x01};
        EXPECT_EQ(WriteBlk(0xC2, block, 4), c.result) << c.divider;
        std::vector<std::string> expected;
        if (c.effect != nullptr) expected.push_back(c.effect);
        EXPECT_EQ(Fake().effects, expected) << c.divider;
        if (c.effect == nullptr) {
            EXPECT_EQ(Read(0x88, 0x00) & 0x40, 0u) << c.divider << ": a refused tune has no lock";
        }
    }
}

// Status and picture registers are read from the device; when a request
// fails the stored byte comes back with the failure, never with lock.
TEST_F(BusRegisters, DerivedRegistersComeFromTheDevice) {
    Write(0x88, 0x00, 0xFF);
    Video().stations = {Video().frequency};
    EXPECT_EQ(Read(0x88, 0x00), 0xFFu);
    Video().stations.clear();
    EXPECT_EQ(Read(0x88, 0x00), 0xBFu);
    Video().stations = {Video().frequency};
    Video().failures[VIDIOC_G_TUNER] = EIO;
    EXPECT_EQ(Read(0x88, 0x00), TVV4L2_READ_FAILURE(EIO, 0xBF));
    Video().failures.clear();

    Video().controls[V4L2_CID_BRIGHTNESS].value = 200;  // set by another program
    Video().controls[V4L2_CID_CONTRAST].value = 255;
    Video().controls[V4L2_CID_SATURATION].value = 181;
    Video().controls[V4L2_CID_HUE].value = -128;
    Write(0x88, 0x0B, 0xA8);  // bits 7, 5, 3 are plain storage
    struct Case {
        uint16_t reg;
        uint32_t value;
    } cases[] = {
        {0x0A, 0x48},  // level 200 as a two's-complement byte
        {0x0C, 0xFF},  // 255 of 255 is 511 of 511
        {0x0D, 0x6B},  // 181 of 255 is 363 of 511
        {0x0E, 0x01},  // V follows U / 1.41: 257
        {0x0F, 0x80},  // the lowest hue
        {0x0B, 0xA8 | 0x04 | 0x02 | 0x01},
        {0x01, 0x20},  // the tuner input on the standard board
    };
    for (const Case &c : cases) EXPECT_EQ(Read(0x88, c.reg), c.value) << "register " << c.reg;
    Video().input = 3;  // S-video
    EXPECT_EQ(Read(0x88, 0x0B) & 0x40, 0x40u);
    Video().input = 1;  // a webcam: no input of the board, the stored bits stand
    Write(0x88, 0x01, 0x9F);
    EXPECT_EQ(Read(0x88, 0x01), 0x9Fu);
    EXPECT_EQ(Fake().effects, std::vector<std::string>{}) << "reads change nothing; 0x01 names no input here";
}

TEST_F(BusRegisters, MissingControlsAndInputsAreStoredAndReported) {
    Video().controls.erase(V4L2_CID_HUE);
    Video().controls[V4L2_CID_SATURATION].disabled = true;
    EXPECT_EQ(Write(0x88, 0x0F, 0x33), TVV4L2_WRITE_FAILURE(TVV4L2_ERR_NO_CONTROL));
    EXPECT_EQ(Read(0x88, 0x0F), 0x33u);
    EXPECT_EQ(Write(0x88, 0x0E, 0x44), TVV4L2_WRITE_FAILURE(TVV4L2_ERR_NO_CONTROL));
    EXPECT_EQ(Read(0x88, 0x0E), 0x44u);
    // Composite on the standard board, but the device has no composite input.
    EXPECT_EQ(Write(0x88, 0x01, 0x60), TVV4L2_WRITE_FAILURE(TVV4L2_ERR_NO_INPUT));
    Video().controls[V4L2_CID_CONTRAST].max = 100;
    Video().failures[VIDIOC_S_CTRL] = EBUSY;
    EXPECT_EQ(Write(0x88, 0x0C, 0x10), TVV4L2_WRITE_FAILURE(EBUSY));
    EXPECT_TRUE(Fake().effects.empty());
}

}  // namespace
}  // namespace tvtest
