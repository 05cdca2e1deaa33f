// A run on the simulated card keeps its tuning in a record of its own and
// never moves a real card's; standard and audio mode answer there as an
// NTSC-M card without audio modes does.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_env.h"
#include "tool_runner.h"

namespace {

using tvtest::RunTvctl;
using tvtest::ToolRun;
namespace fs = std::filesystem;

TEST(TvctlTunerRecord, TheSimulatedCardLeavesAV4l2RecordAlone) {
    const std::string state = tvtest::MakeTempDir("records");
    fs::create_directories(state + "/tvctl");
    const std::string v4l2Record = state + "/tvctl/tuner-v4l2-%2Fdev%2Fvideo0";
    const std::string v4l2Text = "source tuner\nplan cable\nchannel 9\ncarrier 187.25\nfine +0\n";
    tvtest::WriteFile(v4l2Record, v4l2Text);
    const std::vector<std::pair<std::string, std::string>> env = {{"XDG_STATE_HOME", state}, {"TVHOST_PATH", ""}};

    ToolRun tuned = RunTvctl({"source", "cable", "channel", "3"}, env);
    ASSERT_EQ(tuned.status, 0) << tuned.err;
    ToolRun got = RunTvctl({"--json", "get"}, env);
    ASSERT_EQ(got.status, 0) << got.err;
    EXPECT_EQ(got.JsonLines().at(0)["tuner"]["channel"], 3);
    EXPECT_EQ(tvtest::ReadFile(v4l2Record), v4l2Text);
    EXPECT_NE(tvtest::ReadFile(state + "/tvctl/tuner").find("channel 3"), std::string::npos);

    struct Case {
        std::vector<std::string> args;
        int status;
        const char *said;
    } cases[] = {
        {{"standard"}, 0, "ntsc-m (the simulated card receives NTSC-M only)"},
        {{"standard", "NTSC-M"}, 0, "ntsc-m"},
        {{"standard", "pal-bg"}, 1, "the simulated card receives NTSC-M only, so it cannot be set to pal-bg"},
        {{"standard", "pal-x"}, 2, "\"pal-x\" is no TV standard"},
        {{"audio", "mode"}, 1, "the simulated card has no audio mode"},
        {{"audio", "mode", "sap"}, 1, "the simulated card has no audio mode"},
        {{"audio", "mode", "surround"}, 2, "mode must be one of mono, stereo, lang1, lang2, sap, lang1+lang2"},
    };
    for (const Case &c : cases) {
        ToolRun run = RunTvctl(c.args, env);
        EXPECT_EQ(run.status, c.status) << c.args.back() << "\n" << run.err;
        EXPECT_NE((run.out + run.err).find(c.said), std::string::npos) << c.args.back() << "\n" << run.out << run.err;
    }
    EXPECT_EQ(tvtest::ReadFile(v4l2Record), v4l2Text);
}

}  // namespace
