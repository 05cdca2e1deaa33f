// tvctl's audio command on the ALSA mixer, end to end: the built program, the
// ALSA mixer driver and alsa-lib, down to the test's user-space control
// device (tests/drivers/alsamixer/fixtures/alsa_ctl_plugin.c) spelt as snd-dummy and ES1370 spell
// their controls.
#include <gtest/gtest.h>

#include <string>

#include "support/test_env.h"
#include "tool_runner.h"

namespace {

using tvtest::RunTvctl;
using tvtest::ToolRun;

class TvctlAlsaAudio : public ::testing::Test {
protected:
    void SetUp() override {
        std::string dir = tvtest::MakeTempDir("tvctl-alsa");
        config_ = dir + "/asound.conf";
        tvtest::WriteFile(config_, "ctl_type.tvtest { lib \"" TVCORE_TEST_ALSA_PLUGIN "\" }\n"
                                   "ctl.dummy { type tvtest state \"" + dir + "/dummy\" layout dummy }\n"
                                   "ctl.es { type tvtest state \"" + dir + "/es\" layout es1370 }\n");
    }
    ToolRun Run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--json", "--mixer", "alsa"});
        return RunTvctl(args, {{"ALSA_CONFIG_PATH", config_}, {"TVMIXALSA_DEVICES", ""}, {"TVMIXALSA_ELEMENT", ""}});
    }
    std::string config_;
};

TEST_F(TvctlAlsaAudio, SignedRangeWithItsDbFigure) {
    ToolRun run = Run({"audio", "--card", "dummy", "--element", "Line", "volume", "40000", "--", "audio", "volume",
                       "-5%", "--", "audio", "volume", "100%"});
    ASSERT_EQ(run.status, 0) << run.err;
    auto lines = run.JsonLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0]["left"], 40195) << "the nearest value the card holds";
    EXPECT_EQ(lines[0]["card"]["element"], "Line");
    EXPECT_EQ(lines[0]["card"]["min"], -50);
    EXPECT_EQ(lines[0]["card"]["value"], nlohmann::json::array({42, 42}));
    EXPECT_DOUBLE_EQ(lines[0]["card"]["dB"][0].get<double>(), -17.4);
    EXPECT_EQ(lines[1]["set"], 40195 - 3277);
    EXPECT_EQ(lines[1]["card"]["value"][0], 34);
    EXPECT_EQ(lines[2]["card"]["value"][1], 100);
    EXPECT_DOUBLE_EQ(lines[2]["card"]["dB"][1].get<double>(), 0.0);
}

TEST_F(TvctlAlsaAudio, SmallRangeMovesAtLeastOneCardStepAndMuteToggles) {
    ToolRun run = Run({"audio", "--card", "es", "volume", "0", "--", "audio", "volume", "+1%", "--", "audio", "mute",
                       "toggle", "--", "audio", "mute", "toggle"});
    ASSERT_EQ(run.status, 0) << run.err;
    auto lines = run.JsonLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1]["card"]["value"][0], 1) << "1% of 0..31 alone would not move the card";
    EXPECT_EQ(lines[1]["left"], 2114);
    // The es1370 layout starts with its playback switch off: muted.
    EXPECT_EQ(lines[2]["mute"], false);
    EXPECT_EQ(lines[2]["card"]["switch"][0], true);
    EXPECT_EQ(lines[3]["mute"], true);
    EXPECT_EQ(lines[3]["card"]["switch"][1], false);
}

TEST_F(TvctlAlsaAudio, RefusalsAreExplained) {
    struct Refusal {
        std::vector<std::string> args;
        int status;
        const char *says;
    } refusals[] = {
        {{"audio", "--card", "dummy", "volume"}, 1, "dummy has no playback element 'Aux'"},
        {{"audio", "--card", "dummy", "--element", "Line", "mute", "on"}, 1, "no mute control"},
        {{"audio", "--card", "es", "volume", "4294967291"}, 1, "out of range (0-65535)"},
        {{"audio", "--card", "es", "volume", "150%"}, 2, "a percentage is 0-100"},
        {{"audio", "--card", "es", "init", "--", "audio", "--card", "dummy", "volume"}, 2, "earlier in this session"},
    };
    for (const Refusal &r : refusals) {
        ToolRun run = Run(r.args);
        EXPECT_EQ(run.status, r.status) << r.says;
        EXPECT_NE((run.out + run.err).find(r.says), std::string::npos) << run.out << run.err;
    }
    ToolRun run = RunTvctl({"audio", "--card", "es", "volume"});
    EXPECT_EQ(run.status, 2) << "--card needs the ALSA mixer";
}

}  // namespace
