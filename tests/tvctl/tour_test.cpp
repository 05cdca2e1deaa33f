// The guided tour, run as a user runs it: it finishes, and what it reports
// agrees with the simulated card's stations.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_env.h"
#include "tool_runner.h"

namespace {

using tvtest::RunTvctl;
using tvtest::ToolRun;

// The tour's steps from its JSON answer.
nlohmann::json TourSteps(const ToolRun &run) {
    std::vector<nlohmann::json> lines = run.JsonLines();
    EXPECT_EQ(lines.size(), 1u);
    if (lines.empty()) return nlohmann::json::array();
    EXPECT_EQ(lines[0]["command"], "tour");
    EXPECT_EQ(lines[0]["ok"], true) << lines[0].dump();
    return lines[0]["steps"];
}

const nlohmann::json *FindTune(const nlohmann::json &steps, const std::string &plan, int channel) {
    for (const nlohmann::json &step : steps)
        if (step.contains("plan") && step["plan"] == plan && step["channel"] == channel) return &step;
    return nullptr;
}

TEST(TvctlTourTest, ReportsLockWhereTheStationsAre) {
    ToolRun run = RunTvctl({"--json", "tour"});
    ASSERT_EQ(run.status, 0) << run.err;
    nlohmann::json steps = TourSteps(run);

    // Cable 7 and broadcast 14 carry default stations; cable 3 does not.
    const nlohmann::json *locked = FindTune(steps, "cable", 7);
    const nlohmann::json *empty = FindTune(steps, "cable", 3);
    const nlohmann::json *uhf = FindTune(steps, "broadcast", 14);
    ASSERT_TRUE(locked && empty && uhf);
    EXPECT_EQ((*locked)["locked"], true);
    EXPECT_EQ((*empty)["locked"], false);
    EXPECT_EQ((*empty)["result"], -4);
    EXPECT_EQ((*uhf)["locked"], true);
    // The tune is the tuner block of channel 7 and then the status read.
    const nlohmann::json &bus = (*locked)["bus"];
    ASSERT_EQ(bus.size(), 2u);
    EXPECT_EQ(bus[0]["op"], "block");
    EXPECT_EQ(bus[0]["bytes"], (std::vector<int>{0x0D, 0xD0, 0x8E, 0x02}));
    EXPECT_EQ(bus[1]["op"], "read");

    // The short scan: both ways find the default stations of cable 2-13.
    bool sawScan = false;
    for (const nlohmann::json &step : steps)
        if (step.contains("scan")) {
            sawScan = true;
            std::vector<int> expected{2, 4, 5, 7, 9, 13};
            EXPECT_EQ(step["scan"]["standard"]["stations"], expected);
            EXPECT_EQ(step["scan"]["fast"]["stations"], expected);
        }
    EXPECT_TRUE(sawScan);
}

TEST(TvctlTourTest, FollowsTheStationsOnTheAir) {
    // With other stations, the tour picks a channel that has one and one
    // that has none, and the scan finds exactly those on the air.
    ToolRun run = RunTvctl({"--json", "tour"}, {{"TVSIM_STATIONS", "61.25, 193.25"}});
    ASSERT_EQ(run.status, 0) << run.err;
    nlohmann::json steps = TourSteps(run);
    const nlohmann::json *cable3 = FindTune(steps, "cable", 3);
    ASSERT_TRUE(cable3);
    EXPECT_EQ((*cable3)["locked"], true);
    EXPECT_EQ(FindTune(steps, "cable", 7), nullptr);  // 7 has no station now: not the locked example
    for (const nlohmann::json &step : steps)
        if (step.contains("scan")) {
            EXPECT_EQ(step["scan"]["standard"]["stations"], (std::vector<int>{3, 10}));
            EXPECT_EQ(step["scan"]["fast"]["stations"], (std::vector<int>{3, 10}));
        }
}

TEST(TvctlTourTest, TextShowsTheBusTraffic) {
    ToolRun run = RunTvctl({"tour"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("thk_ThunkConnect32 ret TRUE"), std::string::npos);
    EXPECT_NE(run.out.find("[0D D0 8E 02]"), std::string::npos);
    EXPECT_NE(run.out.find("(locked)"), std::string::npos);
    EXPECT_NE(run.out.find("channel 126 is not in the cable plan (1-125)"), std::string::npos);
    EXPECT_NE(run.out.find("SETCONTROLDETAILS"), std::string::npos);
}

TEST(TvctlTourTest, RefusesARealBusBeforeSayingAnything) {
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"--bus", "i2cdev", "tour"}, std::vector<std::string>{"--i2c-device", "/dev/i2c-9", "tour"},
          std::vector<std::string>{"--bus", "v4l2", "tour"}}) {
        ToolRun run = RunTvctl(args);
        EXPECT_EQ(run.status, 2) << args[1];
        EXPECT_EQ(run.out, "") << args[1];
        EXPECT_NE(run.err.find("the tour runs on the simulated card only"), std::string::npos) << run.err;
    }
}

TEST(TvctlTourTest, AudioWordsFollowTheMixerInUse) {
    // Nobody chose a mixer: the tour takes the simulated one and says so.
    ToolRun own = RunTvctl({"tour"}, {{"TVHOST_MIXERS", ""}});
    ASSERT_EQ(own.status, 0) << own.err;
    EXPECT_NE(own.out.find("The tour uses the simulated mixer"), std::string::npos) << own.out;
    EXPECT_NE(own.out.find("SETCONTROLDETAILS  control 11"), std::string::npos);

    // A mixer chosen with --mixer is used and named as such.
    if (!std::filesystem::exists(tvtest::ModuleDir() + "/tvmixalsa.so")) GTEST_SKIP() << "built without ALSA";
    ToolRun alsa = RunTvctl({"--mixer", "alsa", "tour"}, {{"TVMIXALSA_DEVICES", "tvcore-test-no-such-card"}});
    EXPECT_EQ(alsa.out.find("here the simulated mixer"), std::string::npos) << alsa.out;
    EXPECT_EQ(alsa.out.find("The tour uses the simulated mixer"), std::string::npos) << alsa.out;
    EXPECT_NE(alsa.out.find("Here that is the ALSA mixer (--mixer)."), std::string::npos) << alsa.out;
}

}  // namespace
