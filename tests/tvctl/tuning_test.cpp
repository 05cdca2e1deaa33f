// tvctl beyond the library's plans, end to end on the simulated card: the
// tuner blocks of frequency, fine and IRC/HRC tuning, the record that
// carries the tuning to the next run, station lists written by scan and
// used by tune, Ctrl-C on a scan, and the answer to every kind of error.
#include <gtest/gtest.h>

#include <cstdio>

#include "support/test_env.h"
#include "tool_runner.h"

namespace {

using tvtest::RunTvctl;
using tvtest::ToolRun;
using tvtest::Words;

// The tuner blocks among a JSON answer's bus transactions.
std::vector<std::vector<int>> TunerBlocks(const nlohmann::json &answer) {
    std::vector<std::vector<int>> blocks;
    for (const nlohmann::json &entry : answer["bus"])
        if (entry["op"] == "block" && entry["device"] == 0xC2) blocks.push_back(entry["bytes"]);
    return blocks;
}

struct BlockCase {
    const char *name;
    std::vector<std::string> args;  // after --json --trace; the last command's block is checked
    std::vector<int> block;
    bool locked;
};

void PrintTo(const BlockCase &c, std::ostream *out) { *out << c.name; }

class TvctlTuningBlockTest : public ::testing::TestWithParam<BlockCase> {};

TEST_P(TvctlTuningBlockTest, SendsTheBlockAndReportsLock) {
    const BlockCase &c = GetParam();
    ToolRun run = RunTvctl(Words({{"--json", "--trace"}, c.args}));
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<nlohmann::json> lines = run.JsonLines();
    ASSERT_FALSE(lines.empty());
    std::vector<std::vector<int>> blocks = TunerBlocks(lines.back());
    ASSERT_EQ(blocks.size(), 1u) << lines.back().dump();
    EXPECT_EQ(blocks[0], c.block);
    EXPECT_EQ(lines.back()["locked"], c.locked);
    // The lock is read as the library reads it: decoder status, after the pause.
    const nlohmann::json &last = lines.back()["bus"].back();
    EXPECT_EQ(last["op"], "read");
    EXPECT_EQ(last["device"], 0x88);
    EXPECT_EQ(last["reg"], 0);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, TvctlTuningBlockTest,
    ::testing::Values(
        // 77.25 + 45.75 = 123 MHz = 1968 steps; a station is on the air there.
        BlockCase{"freqOnStation", {"freq", "77.25"}, {0x07, 0xB0, 0x8E, 0x01}, true},
        // The nearest 62.5 kHz step (8048.8 -> 8049), high band from 454 MHz.
        BlockCase{"freqRounds", {"freq", "457.3"}, {0x1F, 0x71, 0x8E, 0x08}, false},
        // The low/mid band edge at 160 MHz.
        BlockCase{"belowMidEdge", {"freq", "159.95"}, {0x0C, 0xDB, 0x8E, 0x01}, false},
        BlockCase{"atMidEdge", {"freq", "160"}, {0x0C, 0xDC, 0x8E, 0x02}, false},
        BlockCase{"irc5", {"source", "cable-irc", "channel", "5"}, {0x07, 0xD0, 0x8E, 0x01}, false},
        BlockCase{"hrc2", {"source", "HRC", "channel", "2"}, {0x06, 0x3C, 0x8E, 0x01}, false},
        BlockCase{"hrc100", {"source", "cable-hrc", "channel", "100"}, {0x2B, 0x5D, 0x8E, 0x08}, false},
        // The world's tables, tuned by their carriers (carrier + 45.75 MHz in 62.5 kHz steps); the
        // simulated card has stations at 175.25 and 615.25 MHz.
        BlockCase{"europeWestE5", {"channel", "--plan", "europe-west", "e5"}, {0x0D, 0xD0, 0x8E, 0x02}, true},
        BlockCase{"japanCableC13", {"source", "japan-cable", "channel", "C13"}, {0x09, 0xB0, 0x8E, 0x01}, false},
        BlockCase{"chinaDS25", {"channel", "--plan", "china-bcast", "DS25"}, {0x28, 0xD0, 0x8E, 0x08}, false},
        BlockCase{"ireland39", {"channel", "--plan", "ireland", "39"}, {0x29, 0x50, 0x8E, 0x08}, true},
        BlockCase{"australia5A", {"channel", "--plan", "AUSTRALIA", "5a"}, {0x0B, 0x80, 0x8E, 0x01}, false},
        // Fine tuning moves a library channel's divider (cable 7: 0x0DD0).
        BlockCase{"fineOnLibraryChannel", {"channel", "7", "fine", "+2"}, {0x0D, 0xD2, 0x8E, 0x02}, false},
        BlockCase{"fineBack", {"channel", "7", "fine", "-1", "fine", "0"}, {0x0D, 0xD0, 0x8E, 0x02}, true}),
    [](const auto &info) { return std::string(info.param.name); });

// Carriers of telling channels, against the public IRC/HRC charts: IRC moves
// only 5 and 6 onto the 6 MHz grid; HRC puts every carrier on the 6.0003 MHz
// comb, 1.25 MHz below standard (5 and 6: 0.75 MHz above).
TEST(TvctlTuningTest, IrcAndHrcCarriers) {
    ToolRun run = RunTvctl({"--json", "plans", "cable-irc", "plans", "cable-hrc"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<nlohmann::json> lines = run.JsonLines();
    ASSERT_EQ(lines.size(), 2u);
    auto carrier = [&](size_t line, int channel) {
        for (const nlohmann::json &c : lines[line]["plans"][0]["channels"])
            if (c["channel"] == channel) return c["carrierMHz"].get<double>();
        return 0.0;
    };
    const struct {
        int channel;
        double irc, hrc;
    } rows[] = {{1, 73.25, 72.0036}, {2, 55.25, 54.0027},   {5, 79.25, 78.0039},  {6, 85.25, 84.0042},
                {7, 175.25, 174.0087}, {14, 121.25, 120.006}, {95, 91.25, 90.0045}, {125, 799.25, 798.0399}};
    for (const auto &row : rows) {
        EXPECT_NEAR(carrier(0, row.channel), row.irc, 0.0005) << "IRC " << row.channel;
        EXPECT_NEAR(carrier(1, row.channel), row.hrc, 0.0005) << "HRC " << row.channel;
    }
}

// The tuner record carries the plan, channel and fine offset to the next run.
TEST(TvctlTuningTest, TuningOutlivesTheRun) {
    const std::vector<std::pair<std::string, std::string>> env{
        {"XDG_STATE_HOME", tvtest::MakeTempDir("tuner-state")}};
    ASSERT_EQ(RunTvctl({"source", "cable-irc", "channel", "5"}, env).status, 0);
    ASSERT_EQ(RunTvctl({"fine", "+3"}, env).status, 0);
    ToolRun run = RunTvctl({"--json", "--trace", "channel", "up", "get"}, env);
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<nlohmann::json> lines = run.JsonLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(TunerBlocks(lines[0]), (std::vector<std::vector<int>>{{0x08, 0x30, 0x8E, 0x01}}));  // IRC 6: 85.25
    EXPECT_EQ(lines[1]["tuner"]["plan"], "cable-irc");
    EXPECT_EQ(lines[1]["tuner"]["channel"], 6);
    EXPECT_EQ(lines[1]["tuner"]["fine"], 0);  // a new channel ends fine tuning
}

// A table's channel by name, in the record, in the next run's up and down
// (carrier order: S10 at 168.25 MHz, then E5), and in a station list a scan
// of the table writes.
TEST(TvctlTuningTest, TablesByChannelNameAcrossRunsAndLists) {
    const std::string dir = tvtest::MakeTempDir("tables");
    const std::vector<std::pair<std::string, std::string>> env{{"XDG_STATE_HOME", dir}};
    ASSERT_EQ(RunTvctl({"channel", "--plan", "europe-west", "s10"}, env).status, 0);
    ToolRun run = RunTvctl({"--json", "channel", "up", "get"}, env);
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<nlohmann::json> lines = run.JsonLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]["channel"], "E5");
    EXPECT_EQ(lines[1]["tuner"]["plan"], "europe-west");
    EXPECT_EQ(lines[1]["tuner"]["channel"], "E5");
    EXPECT_EQ(lines[1]["tuner"]["carrierMHz"], 175.25);

    const std::string file = dir + "/stations";
    run = RunTvctl({"--json", "scan", "europe-west", "--channels", "E5-E12", "--save", file, "-q"}, env);
    ASSERT_EQ(run.status, 0) << run.err;
    lines = run.JsonLines();
    EXPECT_EQ(lines[0]["first"], "E5");
    EXPECT_EQ(lines[0]["tuned"], 8);
    EXPECT_EQ(lines[0]["stations"].size(), 1u);
    EXPECT_NE(tvtest::ReadFile(file).find("europe-west-E5  europe-west E5\n"), std::string::npos)
        << tvtest::ReadFile(file);
    run = RunTvctl({"tune", "EUROPE-WEST-E5", "--file", file}, env);
    EXPECT_EQ(run.out, "europe-west-E5: europe-west channel E5 (175.25 MHz): locked\n") << run.err;
    run = RunTvctl({"scan", "europe-west", "--channels", "E12-E5"}, env);
    EXPECT_NE(run.err.find("channel range E12-E5 is not within the europe-west plan"), std::string::npos) << run.err;
}

TEST(TvctlTuningTest, ScanSavesStationsThatTuneUses) {
    const std::string dir = tvtest::MakeTempDir("stations");
    const std::string file = dir + "/stations";
    tvtest::WriteFile(file, "# mine\n\"Local News\" broadcast 14\n");
    ToolRun run = RunTvctl({"--json", "channel", "3", "scan", "cable", "--channels", "2-9", "--save", file, "get"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<nlohmann::json> lines = run.JsonLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2]["tuner"]["channel"], 3) << "the scan went back to where the tuner was";

    std::string text = tvtest::ReadFile(file);
    EXPECT_EQ(text.rfind("# mine\n\"Local News\" broadcast 14\n", 0), 0u) << text;  // kept as written
    EXPECT_NE(text.find("cable-7         cable      7\n"), std::string::npos) << text;
    // A person renames one, adds a fine offset and a line that is wrong.
    text.replace(text.find("cable-7 "), 8, "Sports  ");
    text.replace(text.find("cable      7"), 12, "cable      7      +1");  // a fine offset
    tvtest::WriteFile(file, text + "Weather cable 200\n");

    run = RunTvctl({"--json", "--trace", "source", "composite", "tune", "SPORTS", "--file", file, "stations", "--file",
                    file});
    ASSERT_EQ(run.status, 0) << run.err;
    lines = run.JsonLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1]["station"], "Sports");
    EXPECT_EQ(lines[1]["plan"], "cable");
    EXPECT_EQ(TunerBlocks(lines[1]), (std::vector<std::vector<int>>{{0x0D, 0xD1, 0x8E, 0x02}}));
    EXPECT_EQ(lines[2]["stations"].size(), 6u);  // Local News and the five found
    ASSERT_EQ(lines[2]["notes"].size(), 1u);
    EXPECT_EQ(lines[2]["notes"][0].get<std::string>().rfind(file + ":8: ", 0), 0u) << lines[2]["notes"][0];

    run = RunTvctl({"tune", "nowhere", "--file", file});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("no station is named \"nowhere\""), std::string::npos) << run.err;
}

// Ctrl-C during a scan: the stations so far, saved, and exit status 130.
TEST(TvctlTuningTest, InterruptedScanGivesThePartialList) {
    const std::string dir = tvtest::MakeTempDir("interrupt");
    ToolRun run = RunTvctl({"scan", "broadcast", "--save", dir + "/stations"}, {}, "", "broadcast 5 (");
    EXPECT_EQ(run.status, 130) << run.err;
    EXPECT_NE(run.err.find("interrupted (Ctrl-C)"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("(stopped after channel"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("        5        77.25  low"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("       69 "), std::string::npos) << run.out;
    EXPECT_NE(tvtest::ReadFile(dir + "/stations").find("broadcast-5"), std::string::npos);
}

// Every kind of error: its exit status, its sentence, the help it points
// at, and its JSON answer.
struct ErrorCase {
    const char *name;
    std::vector<std::string> args;
    int status;
    const char *sentence;
};

void PrintTo(const ErrorCase &c, std::ostream *out) { *out << c.name; }

class TvctlErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(TvctlErrorTest, ExitStatusSentenceAndJson) {
    const ErrorCase &c = GetParam();
    ToolRun text = RunTvctl(c.args);
    EXPECT_EQ(text.status, c.status) << text.err;
    EXPECT_NE(text.err.find(c.sentence), std::string::npos) << text.err;
    if (c.status == 2) {
        std::string command = c.args.empty() || c.args[0].rfind("-", 0) == 0 || c.args[0] == "frob" ? "" : c.args[0] + " ";
        EXPECT_NE(text.err.find("; see tvctl " + command + "--help"), std::string::npos) << text.err;
    }
    ToolRun json = RunTvctl(Words({{"--json"}, c.args}));
    EXPECT_EQ(json.status, c.status);
    std::vector<nlohmann::json> lines = json.JsonLines();
    ASSERT_FALSE(lines.empty()) << json.out << json.err;
    EXPECT_EQ(lines.back()["ok"], false);
    EXPECT_EQ(lines.back()["exitCode"], c.status);
    EXPECT_NE(lines.back()["error"].get<std::string>().find(c.sentence), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, TvctlErrorTest,
    ::testing::Values(
        ErrorCase{"unknownCommand", {"frob"}, 2, "unknown command \"frob\""},
        ErrorCase{"missingArgument", {"channel"}, 2, "channel needs its argument"},
        ErrorCase{"notAChannel", {"channel", "seven"}, 1, "channel seven is not in the cable plan (1-125)"},
        ErrorCase{"negativeChannel", {"channel", "-1"}, 1, "channel -1 is not in the cable plan"},
        ErrorCase{"notInTable", {"channel", "--plan", "europe-west", "SE10"}, 1,
                  "channel SE10 is not in the europe-west plan (E2-E12, S2-S41, 21-69)"},
        ErrorCase{"choice", {"audio", "mute", "yes"}, 2, "state must be one of on, off"},
        ErrorCase{"control", {"picture", "sharpness=3"}, 2, "unknown picture control \"sharpness\""},
        ErrorCase{"source", {"source", "antenna"}, 2, "unknown video source \"antenna\""},
        ErrorCase{"plan", {"scan", "cable-xyz"}, 2, "unknown channel plan \"cable-xyz\""},
        ErrorCase{"frequencyForm", {"freq", "77,25"}, 2, "\"77,25\" is not a frequency in MHz"},
        ErrorCase{"frequencyRange", {"freq", "1200"}, 1, "outside the tuner's range"},
        ErrorCase{"frequencyJustBelow", {"freq", "43.999999"}, 1, "outside the tuner's range (44.00-870.00 MHz)"},
        ErrorCase{"frequencyJustAbove", {"freq", "870.000001"}, 1, "outside the tuner's range"},
        ErrorCase{"fineForm", {"fine", "up"}, 2, "fine wants +N, -N or N steps"},
        ErrorCase{"fineRange", {"freq", "100", "fine", "+40"}, 1, "beyond 32 steps"},
        ErrorCase{"fineUntuned", {"fine", "+1"}, 1, "nothing is tuned yet"},
        ErrorCase{"address", {"i2c", "read", "0x8g", "0"}, 2, "device address \"0x8g\" is not a number"},
        ErrorCase{"realBusWrite", {"--i2c-device", "9", "i2c", "write", "0x88", "1", "2"}, 1, "give -y"},
        ErrorCase{"globalOption", {"--bus", "usb", "get"}, 2, "--bus must be one of"},
        ErrorCase{"cable126", {"channel", "126"}, 1, "channel 126 is not in the cable plan (1-125)"},
        ErrorCase{"cable0", {"channel", "0"}, 1, "channel 0 is not in the cable plan (1-125)"},
        // The library would take the low 8 bits (261 -> 5); tvctl refuses it.
        ErrorCase{"cable261", {"channel", "261"}, 1, "channel 261 is not in the cable plan (1-125)"},
        ErrorCase{"broadcast70", {"source", "broadcast", "channel", "70"}, 1,
                  "channel 70 is not in the broadcast plan (2-69)"},
        ErrorCase{"composite", {"source", "composite", "channel", "7"}, 1, "select the tuner first"},
        ErrorCase{"brightness", {"picture", "brightness=256"}, 1, "brightness 256 is out of range (0-255)"},
        ErrorCase{"hugeHue", {"picture", "hue=4294967296"}, 1, "hue 4294967296 is out of range (0-255)"},
        ErrorCase{"volume", {"audio", "volume", "70000"}, 1, "volume 70000 is out of range (0-65535)"},
        ErrorCase{"register", {"i2c", "read", "0x88", "0x100"}, 1, "register 0x100 is out of range (0x00-0xFF)"},
        ErrorCase{"noAck", {"i2c", "write", "0x90", "1", "2"}, 1, "no device acknowledged"},
        // An empty name names no file: neither the default picture nor the library's file.
        ErrorCase{"snapshotEmptyName", {"snapshot", ""}, 2, "file: an empty file name names no file"},
        ErrorCase{"checkEmptyName", {"config", "check", ""}, 2, "file: an empty file name names no file"},
        ErrorCase{"scanRange", {"scan", "cable", "--channels", "120-130"}, 1,
                  "channel range 120-130 is not within the cable plan (1-125)"}),
    [](const auto &info) { return std::string(info.param.name); });

}  // namespace
