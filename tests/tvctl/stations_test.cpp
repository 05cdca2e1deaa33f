// The station list's format, tvctl's tuner record, and the frequency and
// channel-step words, directly.
#include <gtest/gtest.h>

#include "plan_info.h"
#include "station_list.h"
#include "support/test_env.h"
#include "tuner_state.h"

namespace {

using namespace tvctl;

TEST(TvctlStationListTest, ReadsWhatAPersonWritesAndSaysWhatItSkips) {
    StationList list = ParseStations(
        "# my stations\n"
        "\n"
        "\"Local News\"  broadcast 14   # the evening news\n"
        "Sports  CABLE-IRC 5 +2\n"
        "radio   freq 101.25 -1\n"
        "Bad     cable 0\n"
        "Worse   antenna 7\n"
        "sports  cable 9\n"
        "\"Open  cable 7\n"
        "Short cable\n"
        "Far     cable 7 +33\n"
        "Highest cable 8 +32\n"
        "Lowest  freq 99.5 -32\n",
        "list");
    ASSERT_EQ(list.stations.size(), 5u);
    EXPECT_EQ(list.stations[0].name, "Local News");
    EXPECT_EQ(list.stations[0].plan, BroadcastPlan().plan);
    EXPECT_EQ(list.stations[0].channel, 14u);
    EXPECT_EQ(list.stations[1].plan, IrcPlan().plan);
    EXPECT_EQ(list.stations[1].fine, 2);
    EXPECT_EQ(list.stations[2].carrierHz, 101'250'000u);
    EXPECT_EQ(list.stations[2].fine, -1);
    EXPECT_EQ(list.stations[3].fine, 32);
    EXPECT_EQ(list.stations[4].fine, -32);
    const std::vector<std::string> lines{"list:6: ", "list:7: ", "list:8: ", "list:9: ", "list:10: ", "list:11: "};
    ASSERT_EQ(list.problems.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(list.problems[i].rfind(lines[i], 0), 0u) << list.problems[i];
    EXPECT_NE(list.problems[2].find("named twice"), std::string::npos);
    EXPECT_EQ(FindStation(list, "LOCAL NEWS"), &list.stations[0]);

    // What tvctl writes reads back the same.
    StationList again = ParseStations(FormatStations(list.stations), "again");
    EXPECT_TRUE(again.problems.empty());
    ASSERT_EQ(again.stations.size(), list.stations.size());
    for (size_t i = 0; i < list.stations.size(); ++i)
        EXPECT_EQ(StationWhere(again.stations[i]), StationWhere(list.stations[i])) << again.stations[i].name;
}

TEST(TvctlStationListTest, MegahertzAndChannelSteps) {
    EXPECT_EQ(ParseMhz("77.25"), 77'250'000u);
    EXPECT_EQ(ParseMhz("54.0027"), 54'002'700u);
    EXPECT_EQ(ParseMhz("100"), 100'000'000u);
    for (const char *bad : {"", ".5", "1.", "1e3", "77,25", "-5", "1.1234567", "1234567"})
        EXPECT_FALSE(ParseMhz(bad)) << bad;
    EXPECT_EQ(MhzOfHz(79'187'500), "79.1875");
    EXPECT_EQ(MhzOfHz(55'250'000), "55.25");
    // Up and down go round at the ends and skip channels with no carrier.
    EXPECT_EQ(NextChannel(CablePlan(), 125, true), 1u);
    EXPECT_EQ(NextChannel(BroadcastPlan(), 2, false), 69u);
    EXPECT_EQ(NextChannel(HrcPlan(), 13, true), 14u);
}

TEST(TvctlTunerStateTest, KeepsTheTuningAndSkipsWhatItCannotRead) {
    const std::string file = tvtest::MakeTempDir("tuner") + "/sub/tuner";
    std::string error;
    ASSERT_TRUE(SaveTunerMemory(file, TunerMemory{"tuner", HrcPlan().plan, 5, 78'003'900, -3}, &error)) << error;
    TunerMemory memory = LoadTunerMemory(file, &error);
    EXPECT_EQ(memory.plan, HrcPlan().plan);
    EXPECT_EQ(memory.channel, 5u);
    EXPECT_EQ(memory.carrierHz, 78'003'900u);
    EXPECT_EQ(memory.fine, -3);

    tvtest::WriteFile(file, "plan cable-irc\nchannel 300\nsource radio\n");
    std::string problem;
    memory = LoadTunerMemory(file, &problem);
    EXPECT_EQ(memory.plan, IrcPlan().plan);
    EXPECT_EQ(memory.channel, 0u);
    EXPECT_EQ(memory.source, "tuner");
    EXPECT_EQ(problem.rfind(file + ":2: ", 0), 0u) << problem;
}

}  // namespace
