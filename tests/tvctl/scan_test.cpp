// scan and scan --fast find the same stations, on the default air and on
// one with stations at the band edges.
#include <gtest/gtest.h>

#include "tool_runner.h"

namespace {

using tvtest::RunTvctl;
using tvtest::ToolRun;

std::vector<int> Stations(const nlohmann::json &answer) {
    std::vector<int> channels;
    for (const nlohmann::json &station : answer["stations"]) channels.push_back(station["channel"]);
    return channels;
}

struct ScanCase {
    const char *name;
    std::vector<std::string> scan;  // the scan command's words after "scan"
    std::string stations;           // TVSIM_STATIONS; "" for the default air
    std::vector<int> expected;
};

// Test names and failure messages show the case's name, not its bytes.
void PrintTo(const ScanCase &c, std::ostream *out) { *out << c.name; }

class TvctlScanTest : public ::testing::TestWithParam<ScanCase> {};

TEST_P(TvctlScanTest, FastAndStandardFindTheSameStations) {
    const ScanCase &c = GetParam();
    std::vector<std::string> args{"--json", "--", "scan"};
    args.insert(args.end(), c.scan.begin(), c.scan.end());
    args.insert(args.end(), {"--", "get", "--", "scan"});
    args.insert(args.end(), c.scan.begin(), c.scan.end());
    args.insert(args.end(), {"--fast", "--", "get"});
    ToolRun run = RunTvctl(args, {{"TVSIM_STATIONS", c.stations}});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<nlohmann::json> lines = run.JsonLines();
    ASSERT_EQ(lines.size(), 4u);
    const nlohmann::json &standard = lines[0], &fast = lines[2];
    EXPECT_EQ(standard["mode"], "standard");
    EXPECT_EQ(fast["mode"], "fast");
    EXPECT_EQ(Stations(standard), c.expected);
    EXPECT_EQ(Stations(fast), c.expected);
    EXPECT_EQ(standard["tuned"], fast["tuned"]);
    // Both leave the library on the last channel, as it was tuned last.
    EXPECT_EQ(lines[1]["channel"], standard["last"]);
    EXPECT_EQ(lines[3]["channel"], fast["last"]);
}

INSTANTIATE_TEST_SUITE_P(
    Plans, TvctlScanTest,
    ::testing::Values(
        ScanCase{"broadcastDefaultAir", {"broadcast"}, "", {2, 4, 5, 7, 9, 13, 14, 21, 38}},
        // Band edges of the cable plan (62 mid, 63 high by the tuner's edge
        // near 454 MHz), its out-of-order runs (95-99 low), and the ends.
        ScanCase{"cableBandEdges",
                 {"cable", "--channels", "1-125"},
                 "73.25, 451.25, 457.25, 463.25, 91.25, 115.25, 121.25, 799.25",
                 {1, 14, 62, 63, 64, 95, 99, 125}},
        ScanCase{"emptyAir", {"cable", "--channels", "60-66"}, "none", {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(TvctlScanTest, TextTableAndProgressLines) {
    ToolRun run = RunTvctl({"scan", "cable", "--channels", "2-7", "--fast"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("fast scan of the cable plan, channels 2-7: 4 stations"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("      7       175.25  mid"), std::string::npos) << run.out;
    // Not a terminal: one plain progress line per channel.
    EXPECT_NE(run.err.find("scan: cable 6 (83.25 MHz): no lock\n"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find('\r'), std::string::npos);
}

TEST(TvctlScanTest, NeedsTheTuner) {
    ToolRun run = RunTvctl({"source", "svideo", "scan"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("scan needs the tuner, but the video source is svideo"), std::string::npos) << run.err;
}

}  // namespace
