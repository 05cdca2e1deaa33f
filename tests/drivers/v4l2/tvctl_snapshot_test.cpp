// tvctl snapshot on the V4L2 bus, in process over the fake V4L2: the frame
// of the very device the library's bus drives, written as a PNG, with what
// was on; a device busy with another program's stream is refused.
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "commands.h"
#include "support/test_env.h"
#include "tvctl_on_v4l2.h"
#include "v4l2_fixture.h"

namespace tvtest {
namespace {

class SnapshotOnV4l2 : public V4l2Test {
protected:
    void SetUp() override {
        V4l2Test::SetUp();
        dir_ = MakeTempDir("v4l2-snapshot");
        setenv("XDG_STATE_HOME", (dir_ + "/state").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (dir_ + "/config").c_str(), 1);
        FakeVideo video = VividLike();
        video.caps |= V4L2_CAP_STREAMING;
        video.frequency = 2804;  // 175.25 MHz, a station
        Fake().devices["/dev/video0"] = video;
    }

    static tvctl::Reply Run(const tvctl::Words &words) { return RunTvctlOnV4l2(words); }

    std::string dir_;
};

uint32_t BigEndian(const std::string &bytes, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
    return value;
}

TEST_F(SnapshotOnV4l2, WritesTheDevicesFrameAsAPngAndTellsWhatWasOn) {
    const std::string file = dir_ + "/tv.png";
    tvctl::Reply reply = Run({"snapshot", file});
    ASSERT_TRUE(reply.ok) << reply.error;
    const std::string bytes = ReadFile(file);
    ASSERT_GT(bytes.size(), 24u);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(BigEndian(bytes, 16), 64u);
    EXPECT_EQ(BigEndian(bytes, 20), 48u);
    EXPECT_EQ(reply.data["bytes"], bytes.size());
    EXPECT_EQ(reply.data["width"], 64);
    EXPECT_EQ(reply.data["input"], "tuner");
    EXPECT_EQ(reply.data["locked"], true);
    EXPECT_EQ(reply.data["carrierMHz"], 175.25);
}

TEST_F(SnapshotOnV4l2, ABusyDeviceIsRefusedAndNoFileWritten) {
    Fake().devices["/dev/video0"].capture.otherStream = true;
    const std::string file = dir_ + "/busy.png";
    tvctl::Reply reply = Run({"snapshot", file});
    EXPECT_FALSE(reply.ok);
    EXPECT_NE(reply.error.find("/dev/video0 (\"vivid\") is busy with another program's stream"), std::string::npos)
        << reply.error;
    EXPECT_FALSE(std::filesystem::exists(file));
}

}  // namespace
}  // namespace tvtest
