// scan and scan --fast find the same stations, on the default air and on
// one with stations at the band edges; scan --all finds the card's stations
// wherever they are.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/test_env.h"
#include "tool_runner.h"

namespace {

using tvtest::RunTvctl;
using tvtest::ToolRun;
using tvtest::Words;

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
    ToolRun run = RunTvctl(
        Words({{"--json", "--", "scan"}, c.scan, {"--", "get", "--", "scan"}, c.scan, {"--fast", "--", "get"}}),
        {{"TVSIM_STATIONS", c.stations}});
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

// scan --all on the simulated card (settling at once, so the whole band is
// quick): each station the card carries, once, at its carrier, named by
// the plan where a channel lies within 1 MHz.
struct BandCase {
    const char *name;
    std::vector<std::string> scan;  // words after "scan --all"
    std::string stations;           // TVSIM_STATIONS; "" for the default air
    std::vector<std::pair<double, nlohmann::json>> expected;  // carrier MHz, channel (null: a frequency)
};
void PrintTo(const BandCase &c, std::ostream *out) { *out << c.name; }

class TvctlBandScanTest : public ::testing::TestWithParam<BandCase> {};

TEST_P(TvctlBandScanTest, FindsTheCardsStations) {
    const BandCase &c = GetParam();
    ToolRun run = RunTvctl(Words({{"--json", "scan", "--all"}, c.scan}), {{"TVSIM_STATIONS", c.stations}, {"TVSIM_SETTLE_MS", "0"}});
    ASSERT_EQ(run.status, 0) << run.err;
    nlohmann::json answer = run.JsonLines().at(0);
    std::vector<std::pair<double, nlohmann::json>> found;
    for (const nlohmann::json &station : answer["stations"])
        found.emplace_back(station["carrierMHz"], station["channel"]);
    EXPECT_EQ(found, c.expected);
    EXPECT_TRUE(answer["complete"]);
}

const nlohmann::json kNone;  // a station known by its frequency

INSTANTIATE_TEST_SUITE_P(
    Air, TvctlBandScanTest,
    ::testing::Values(
        BandCase{"wholeBandDefaultAir",
                 {"cable"},
                 "",
                 {{55.25, 2}, {67.25, 4}, {77.25, 5}, {103.25, 97}, {133.25, 16}, {175.25, 7}, {187.25, 9},
                  {211.25, 13}, {253.25, 29}, {343.25, 44}, {451.25, 62}, {457.25, 63}, {471.25, kNone},
                  {513.25, kNone}, {615.25, kNone}, {661.25, 102}}},
        BandCase{"broadcastNames",
                 {"broadcast", "--from", "400", "--to", "700"},
                 "",
                 {{451.25, kNone}, {457.25, kNone}, {471.25, 14}, {513.25, 21}, {615.25, 38}, {661.25, kNone}}},
        BandCase{"stretchWithNone", {"--from", "300", "--to", "340"}, "", {}},
        // Off the 0.25 MHz grid: found with the tuner's own step, at the ends too.
        BandCase{"everyStep",
                 {"--step", "0.0625"},
                 "44, 100.0625, 176, 870",
                 {{44.0, kNone}, {100.0625, kNone}, {176.0, 7}, {870.0, kNone}}},
        BandCase{"offGridMissedAtTheDefaultStep", {}, "100.0625", {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(TvctlBandScanTest, TextProgressAndSave) {
    ToolRun run = RunTvctl({"scan", "--all", "--save", "--", "stations"},
                           {{"TVSIM_STATIONS", "55.25, 60.5, 300"}, {"TVSIM_SETTLE_MS", "0"}});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("band scan of 44.00-870.00 MHz in 0.25 MHz steps, cable plan: 3 stations"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("        60.50        3   -12  low"), std::string::npos) << run.out;
    // Not a terminal: a line for each station and each 100 MHz, not each point.
    EXPECT_NE(run.err.find("scan: station at 60.50 MHz (cable 3)\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("scan: 800.00 MHz, 3 stations so far\n"), std::string::npos) << run.err;
    EXPECT_LT(std::count(run.err.begin(), run.err.end(), '\n'), 20) << run.err;
    // Saved as channels (with the fine offset to the best tuning) or as a frequency.
    EXPECT_NE(run.out.find("cable-3         cable channel 3 (61.25 MHz), fine -12 (60.50 MHz)\n"
                           "freq-300.00     300.00 MHz"),
              std::string::npos)
        << run.out;
}

TEST(TvctlBandScanTest, UsageErrors) {
    for (const auto &[words, said] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"--from", "50"}, "--from goes with --all"},
             {{"--all", "--from", "80", "--to", "50"}, "--from 80.00 MHz lies above --to 50.00 MHz"},
             {{"--all", "--step", "0.1"}, "--step must be a multiple of 0.0625 MHz"},
             {{"--all", "--to", "871"}, "outside the tuner's range"},
             {{"--all", "--channels", "2-5"}, "--channels and --fast belong to the channel scan"}}) {
        ToolRun run = RunTvctl(Words({{"scan"}, words}));
        EXPECT_EQ(run.status, 2) << words[0];
        EXPECT_NE(run.err.find(said), std::string::npos) << run.err;
    }
}

// Ctrl-C during scan --all: the stations found so far, saved for the stretch
// walked, and exit status 130.
TEST(TvctlBandScanTest, CtrlCKeepsWhatWasFound) {
    const std::string dir = tvtest::MakeTempDir("band-interrupt");
    ToolRun run = RunTvctl({"scan", "--all", "--save", dir + "/stations"}, {{"TVSIM_SETTLE_MS", "5"}}, "",
                           "scan: station at 67.25 MHz");
    EXPECT_EQ(run.status, 130) << run.err;
    EXPECT_NE(run.err.find("the scan was interrupted (Ctrl-C) at "), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("(stopped at "), std::string::npos) << run.out;
    const std::string list = tvtest::ReadFile(dir + "/stations");
    EXPECT_NE(list.find("cable-4 "), std::string::npos) << list;
    EXPECT_EQ(list.find("cable-102 "), std::string::npos) << list;
}
