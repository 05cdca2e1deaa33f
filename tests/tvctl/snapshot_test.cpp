// tvctl snapshot: a frame of the simulated card's picture in a PNG or JPEG
// file, and what was on.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/test_env.h"
#include "tool_runner.h"

namespace {

using tvtest::RunTvctl;
using tvtest::ToolRun;
using tvtest::Words;

// Width and height from a PNG's header chunk, which follows the signature.
uint32_t BigEndian(const std::string &bytes, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
    return value;
}

TEST(TvctlSnapshotTest, WritesTheFrameAndTellsWhatWasOn) {
    const std::string dir = tvtest::MakeTempDir("snapshot");
    struct Case {
        std::vector<std::string> before;  // commands run first
        std::string file, format, input;
        bool locked;
    } cases[] = {
        {{"channel", "7"}, dir + "/seven.png", "png", "tuner", true},
        {{"channel", "3"}, dir + "/three.JPG", "jpeg", "tuner", false},  // no station: snow
        {{"source", "composite"}, dir + "/jack", "png", "composite", true},
    };
    for (const Case &c : cases) {
        ToolRun run = RunTvctl(Words({{"--json"}, c.before, {"snapshot", c.file, "--frame", "5"}}));
        ASSERT_EQ(run.status, 0) << c.file << ": " << run.err;
        nlohmann::json answer = run.JsonLines().at(1);
        const std::string bytes = tvtest::ReadFile(c.file);
        EXPECT_EQ(answer["file"], c.file);
        EXPECT_EQ(answer["bytes"], bytes.size());
        EXPECT_EQ(answer["format"], c.format);
        EXPECT_EQ(answer["input"], c.input);
        EXPECT_EQ(answer["locked"], c.locked) << c.file;
        EXPECT_EQ(answer["frame"], 5);
        if (c.format == "png") {
            ASSERT_GT(bytes.size(), 24u);
            EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
            EXPECT_EQ(BigEndian(bytes, 16), 640u);
            EXPECT_EQ(BigEndian(bytes, 20), 480u);
        } else {
            ASSERT_GT(bytes.size(), 4u);
            EXPECT_EQ(bytes.substr(0, 2), "\xFF\xD8");
            EXPECT_EQ(bytes.substr(bytes.size() - 2), "\xFF\xD9");
        }
    }
    ToolRun tuned = RunTvctl({"--json", "source", "broadcast", "channel", "7", "snapshot", dir + "/b.png"});
    nlohmann::json answer = tuned.JsonLines().at(2);
    EXPECT_EQ(answer["carrierMHz"], 175.25);
    EXPECT_EQ(answer["plan"], "broadcast");
    EXPECT_EQ(answer["channel"], 7);
}

TEST(TvctlSnapshotTest, RefusesAFormatAgainstTheNameAndAFileItCannotWrite) {
    const std::string dir = tvtest::MakeTempDir("snapshot-refused");
    ToolRun mismatch = RunTvctl({"snapshot", dir + "/a.png", "--format", "jpeg"});
    EXPECT_EQ(mismatch.status, 2) << mismatch.err;
    EXPECT_FALSE(std::filesystem::exists(dir + "/a.png"));

    ToolRun unwritable = RunTvctl({"snapshot", dir + "/no/such/dir/a.png"});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("could not be written"), std::string::npos) << unwritable.err;
}

}  // namespace
