// Pictures from the bus driver's device through the fake: each way a device
// delivers frames arrives as RGB24 of the device's size, a busy or unfit
// device is refused in a sentence, and a capture leaves nothing behind.
#include <string>
#include <vector>

#include "v4l2_fixture.h"

namespace tvtest {
namespace {

class CaptureOnV4l2 : public V4l2Test {
protected:
    void SetUp() override {
        V4l2Test::SetUp();
        Fake().devices["/dev/video0"] = VividLike();
        Video().caps |= V4L2_CAP_STREAMING | V4L2_CAP_READWRITE;
    }
    void TearDown() override {
        Close(capture_);
        EXPECT_FALSE(Video().capture.streaming);
        EXPECT_EQ(Video().capture.mapped, 0) << "buffers left mapped";
        EXPECT_TRUE(Video().capture.buffers.empty()) << "buffers not given back";
        V4l2Test::TearDown();
    }
    FakeVideo &Video() { return Fake().devices["/dev/video0"]; }

    // Opens a capture; "" or the refusal.
    std::string Open() {
        char reason[512] = "";
        capture_ = V4l2BusExport<decltype(&TvV4l2CaptureOpen)>(TVV4L2_CAPTURE_OPEN_NAME)(&format_, reason, sizeof reason);
        return reason;
    }
    // One frame into `rgb` (the frame's size); "" or why none came.
    std::string Grab(std::vector<uint8_t> &rgb, TvV4l2FrameInfo &info, uint32_t size = 0) {
        rgb.assign(format_.frameBytes, 0);
        char reason[512] = "";
        const uint32_t got = V4l2BusExport<decltype(&TvV4l2CaptureGrab)>(TVV4L2_CAPTURE_GRAB_NAME)(
            capture_, rgb.data(), size != 0 ? size : static_cast<uint32_t>(rgb.size()), &info, reason, sizeof reason);
        EXPECT_EQ(got == 0, reason[0] != '\0');
        return reason;
    }
    void Close(TvV4l2Capture *&capture) {
        V4l2BusExport<decltype(&TvV4l2CaptureClose)>(TVV4L2_CAPTURE_CLOSE_NAME)(capture);
        capture = nullptr;
    }

    TvV4l2Capture *capture_ = nullptr;
    TvV4l2CaptureFormat format_{};
};

// The pixels furthest from the device's colour, channel by channel.
int WorstDifference(const std::vector<uint8_t> &rgb, const std::array<uint8_t, 3> &colour) {
    int worst = 0;
    for (std::size_t i = 0; i < rgb.size(); ++i) worst = std::max(worst, std::abs(rgb[i] - colour[i % 3]));
    return worst;
}

TEST_F(CaptureOnV4l2, EachFormatAndWayArrivesAsRgbOfTheDevicesSize) {
    const uint32_t h264 = V4L2_PIX_FMT_H264;
    struct Case {
        const char *name;
        uint32_t io;  // the capability that says how frames come
        std::vector<uint32_t> formats;
        uint32_t method;
        int tolerance;       // YUV is rounded on its way there and back (and RGB 200,100,50 tells swaps)
        bool setsFormat;     // the device was on a format that does not convert
    } cases[] = {
        {"YUYV, mmap", V4L2_CAP_STREAMING, {V4L2_PIX_FMT_YUYV}, TVV4L2_CAPTURE_MMAP, 8, false},
        {"RGB24 as it comes", V4L2_CAP_STREAMING, {V4L2_PIX_FMT_RGB24}, TVV4L2_CAPTURE_MMAP, 0, false},
        {"BGR24", V4L2_CAP_STREAMING, {V4L2_PIX_FMT_BGR24}, TVV4L2_CAPTURE_MMAP, 0, false},
        {"planar YUV 4:2:0", V4L2_CAP_STREAMING, {V4L2_PIX_FMT_YUV420}, TVV4L2_CAPTURE_MMAP, 8, false},
        {"UYVY, read()", V4L2_CAP_READWRITE, {V4L2_PIX_FMT_UYVY}, TVV4L2_CAPTURE_READ, 8, false},
        {"from H.264 to YUYV", V4L2_CAP_STREAMING, {h264, V4L2_PIX_FMT_YUYV}, TVV4L2_CAPTURE_MMAP, 8, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Video().caps = (Video().caps & ~(V4L2_CAP_STREAMING | V4L2_CAP_READWRITE)) | c.io;
        Video().capture.formats = c.formats;
        Video().capture.pixelFormat = c.formats[0];
        Video().capture.width = 64;
        Video().capture.height = 48 + (c.tolerance == 0 ? 2 : 0);  // an odd line count where no 2x2 sampling
        Connect(DLL_PROCESS_ATTACH);
        Fake().effects.clear();
        ASSERT_EQ(Open(), "");
        EXPECT_EQ(format_.method, c.method);
        EXPECT_EQ(format_.width, 64u);
        EXPECT_EQ(format_.height, Video().capture.height);
        EXPECT_EQ(format_.frameBytes, 64 * Video().capture.height * 3);
        EXPECT_EQ(format_.pixelFormat, c.setsFormat ? V4L2_PIX_FMT_YUYV : c.formats[0]);
        const bool formatSet = !Fake().effects.empty() && Fake().effects[0] == "S_FMT YUYV";
        EXPECT_EQ(formatSet, c.setsFormat);

        std::vector<uint8_t> rgb;
        TvV4l2FrameInfo first{}, second{};
        ASSERT_EQ(Grab(rgb, first), "");
        EXPECT_LE(WorstDifference(rgb, Video().capture.colour), c.tolerance);
        ASSERT_EQ(Grab(rgb, second), "");
        EXPECT_EQ(second.sequence, first.sequence + 1);
        Close(capture_);
        EXPECT_FALSE(Video().capture.streaming);
        EXPECT_EQ(Video().capture.mapped, 0);
        Connect(DLL_PROCESS_DETACH);
    }
}

// A frame names the input it came from, with the tuner's frequency and
// signal there.
TEST_F(CaptureOnV4l2, AFrameTellsWhatWasOn) {
    Video().frequency = 2804;  // 175.25 MHz, a station
    Connect(DLL_PROCESS_ATTACH);
    ASSERT_EQ(Open(), "");
    std::vector<uint8_t> rgb;
    TvV4l2FrameInfo info{};
    ASSERT_EQ(Grab(rgb, info), "");
    EXPECT_EQ(info.role, TVV4L2_ROLE_TUNER);
    EXPECT_STREQ(info.inputName, "TV 0");
    EXPECT_EQ(info.locked, 1u);
    EXPECT_EQ(info.frequencyHz, 175250000u);

    Video().frequency = 2805;
    ASSERT_EQ(Grab(rgb, info), "");
    EXPECT_EQ(info.locked, 0u);
    Video().input = 3;
    ASSERT_EQ(Grab(rgb, info), "");
    EXPECT_EQ(info.role, TVV4L2_ROLE_SVIDEO);
    EXPECT_STREQ(info.inputName, "S-Video 0");
    EXPECT_EQ(info.frequencyHz, 0u);
    EXPECT_EQ(info.locked, 1u);
}

// Between grabs the driver fills every queued buffer and waits; a grab much
// later must show the picture as it is now, not one from back then.
TEST_F(CaptureOnV4l2, AGrabAfterAPauseShowsNowNotTheBuffersOfBackThen) {
    Connect(DLL_PROCESS_ATTACH);
    ASSERT_EQ(Open(), "");
    std::vector<uint8_t> rgb;
    TvV4l2FrameInfo info{};
    ASSERT_EQ(Grab(rgb, info), "");
    tvtest::FakeFillQueued(Video().capture, 500);
    const uint32_t filledBefore = Video().capture.sequence;
    Video().capture.colour = {20, 220, 90};
    ASSERT_EQ(Grab(rgb, info), "");
    EXPECT_LE(WorstDifference(rgb, Video().capture.colour), 16);  // YUYV rounding; the old picture is 120 off
    EXPECT_GE(info.sequence, filledBefore);
    Close(capture_);
    Connect(DLL_PROCESS_DETACH);
}

TEST_F(CaptureOnV4l2, UnfitDevicesAndGrabsAreRefusedInASentence) {
    struct Case {
        const char *name;
        void (*arrange)(FakeVideo &video);
        std::string said;
    } refusals[] = {
        {"another program streams",
         [](FakeVideo &video) { video.capture.otherStream = true; },
         "/dev/video0 (\"vivid\") is busy with another program's stream"},
        {"another program streams another format",
         [](FakeVideo &video) {
             video.capture.otherStream = true;
             video.capture.formats = {V4L2_PIX_FMT_H264, V4L2_PIX_FMT_YUYV};
             video.capture.pixelFormat = V4L2_PIX_FMT_H264;
         },
         "/dev/video0 (\"vivid\") is busy with another program's stream"},
        {"neither streaming nor read()",
         [](FakeVideo &video) { video.caps &= ~(V4L2_CAP_STREAMING | V4L2_CAP_READWRITE); },
         "offers neither streaming I/O nor read()"},
        {"nothing that converts",
         [](FakeVideo &video) { video.capture.formats = {V4L2_PIX_FMT_H264}, video.capture.pixelFormat = V4L2_PIX_FMT_H264; },
         "delivers no pixel format that converts to RGB (it is on H264)"},
    };
    for (const Case &c : refusals) {
        SCOPED_TRACE(c.name);
        FakeVideo saved = Video();
        c.arrange(Video());
        Connect(DLL_PROCESS_ATTACH);
        std::string said = Open();
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
        EXPECT_EQ(capture_, nullptr);
        Connect(DLL_PROCESS_DETACH);
        Video() = saved;
    }
    EXPECT_NE(Open().find("has no device open"), std::string::npos) << "before the bus connects";

    Connect(DLL_PROCESS_ATTACH);
    ASSERT_EQ(Open(), "");
    std::vector<uint8_t> rgb;
    TvV4l2FrameInfo info{};
    EXPECT_EQ(Grab(rgb, info, format_.frameBytes - 1), "a frame of 64x48 needs 9216 bytes");
    Video().capture.framesCome = false;
    EXPECT_EQ(Grab(rgb, info), "no frame came from /dev/video0 (\"vivid\") within 5 seconds");
}

}  // namespace
}  // namespace tvtest
