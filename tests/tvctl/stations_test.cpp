// The station list's format, tvctl's tuner record, and the frequency and
// channel-step words, directly.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "plan_info.h"
#include "station_list.h"
#include "support/test_env.h"
#include "tuner_state.h"

#include <fmt/format.h>

#include <filesystem>

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
        "Lowest  freq 99.5 -32\n"
        "Paris   cable 10 +1 SECAM-L\n"
        "Berlin  freq 77.25 pal-bg\n"
        "Odd     cable 11 +1 pal-x\n"
        "Koeln   Europe-West s10 +1\n"
        "Tokyo   japan-cable C99\n",
        "list");
    ASSERT_EQ(list.stations.size(), 8u);
    EXPECT_EQ(list.stations[0].name, "Local News");
    EXPECT_EQ(list.stations[0].plan, BroadcastPlan().plan);
    EXPECT_EQ(list.stations[0].channel, "14");
    EXPECT_EQ(list.stations[1].plan, PlanByName("us-cable-irc")->plan);
    EXPECT_EQ(list.stations[1].fine, 2);
    EXPECT_EQ(list.stations[2].carrierHz, 101'250'000u);
    EXPECT_EQ(list.stations[2].fine, -1);
    EXPECT_EQ(list.stations[3].fine, 32);
    EXPECT_EQ(list.stations[4].fine, -32);
    EXPECT_EQ(list.stations[5].standard, "secam-l");
    EXPECT_EQ(list.stations[5].fine, 1);
    EXPECT_EQ(list.stations[6].standard, "pal-bg");
    EXPECT_EQ(list.stations[0].standard, "");
    EXPECT_EQ(StationWhere(list.stations[7]), "europe-west S10 +1");  // the table's own spelling
    const std::vector<std::string> lines{"list:6: ", "list:7: ", "list:8: ", "list:9: ",
                                         "list:10: ", "list:11: ", "list:16: ", "list:18: "};
    ASSERT_EQ(list.problems.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(list.problems[i].rfind(lines[i], 0), 0u) << list.problems[i];
    EXPECT_NE(list.problems[2].find("named twice"), std::string::npos);
    EXPECT_NE(list.problems[6].find("\"pal-x\" is no TV standard"), std::string::npos) << list.problems[6];
    EXPECT_NE(list.problems[7].find("\"C99\" is no channel of the japan-cable plan (VHF 1-12, C13-C63)"),
              std::string::npos)
        << list.problems[7];
    EXPECT_EQ(FindStation(list, "LOCAL NEWS"), &list.stations[0]);

    // What tvctl writes reads back the same.
    StationList again = ParseStations(FormatStations(list.stations), "again");
    EXPECT_TRUE(again.problems.empty());
    ASSERT_EQ(again.stations.size(), list.stations.size());
    for (size_t i = 0; i < list.stations.size(); ++i)
        EXPECT_EQ(StationWhere(again.stations[i]), StationWhere(list.stations[i])) << again.stations[i].name;
}

// Values out of the tuner's reach are refused in a file as on the command
// line (the divider would wrap round), whatever the line endings.
TEST(TvctlStationListTest, RefusesWhatTheTunerCannotTuneAndSplitsEveryLineEnd) {
    struct Case {
        const char *line;
        const char *said;  // "" : a station
    } cases[] = {
        {"Wrap freq 4567.25", "4567.25 MHz is outside the tuner's range (44.00-870.00 MHz)"},
        {"Low freq 43.9", "43.90 MHz is outside"},
        {"High freq 871", "871.00 MHz is outside"},
        {"Tiny freq 0.0001", "0.0001 MHz is outside"},
        {"Edge freq 870 -32", ""},
        {"Far freq 100 +33", "fine tuning \"+33\" is not +N or -N steps within 32"},
        {"Typo cable 7 +1x", "fine tuning \"+1x\""},
    };
    for (const char *end : {"\n", "\r\n", "\r"}) {
        std::string text;
        for (const Case &c : cases) text += std::string(c.line) + end;
        StationList list = ParseStations(text, "f");
        ASSERT_EQ(list.lines.size(), std::size(cases)) << "line end " << (end[0] == '\r' ? "CR" : "LF");
        size_t problem = 0;
        for (size_t i = 0; i < std::size(cases); ++i) {
            if (cases[i].said[0] == '\0') continue;
            ASSERT_LT(problem, list.problems.size()) << cases[i].line;
            EXPECT_EQ(list.problems[problem].rfind(fmt::format("f:{}: {}", i + 1, cases[i].said), 0), 0u)
                << list.problems[problem];
            ++problem;
        }
        EXPECT_EQ(problem, list.problems.size());
        ASSERT_EQ(list.stations.size(), 1u);
        EXPECT_EQ(list.stations[0].carrierHz, 870'000'000u);
    }
}

// Any name reads back as written; control characters never reach the file
// raw (a CR would end the line) and show escaped.
TEST(TvctlStationListTest, NamesReadBackWhateverTheyHold) {
    const std::vector<std::string> names{"News\rEvening", "Tab\there", "say \"hi\"", "back\\slash",
                                         "#hash",         "\"lead",     "caf\xC3\xA9", std::string("nul\0x", 5),
                                         "a\\x41"};
    std::vector<Station> stations;
    for (size_t i = 0; i < names.size(); ++i) stations.push_back(Station{names[i], CablePlan().plan, std::to_string(2 + i)});
    const std::string text = FormatStations(stations);
    EXPECT_EQ(text.find_first_of(std::string("\r\t\0", 3)), std::string::npos) << text;
    StationList again = ParseStations(text, "f");
    EXPECT_TRUE(again.problems.empty()) << again.problems[0];
    ASSERT_EQ(again.stations.size(), names.size());
    for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(again.stations[i].name, names[i]);
    EXPECT_EQ(Printable("News\rEvening\x7F"), "News\\rEvening\\x7F");
}

// A rescan changes only the lines of the channels it scanned and adds the
// new stations; comments, other plans and lines it cannot read stay.
TEST(TvctlStationListTest, MergeKeepsEveryLineItDoesNotChange) {
    StationList old = ParseStations(
        "# mine\n"
        "Sports cable 7 +1x\n"
        "Gone   cable 3\n"
        "Kept   cable 7 +2\n"
        "Far    cable 40\n"
        "cable-9 broadcast 9\n",
        "f");
    ScanMerge merge = MergeScan(old, CablePlan(), {"2", "3", "4", "7", "9"}, {"2", "7", "9"});
    EXPECT_EQ(merge.text,
              "# mine\n"
              "Sports cable 7 +1x\n"
              "Kept   cable 7 +2\n"
              "Far    cable 40\n"
              "cable-9 broadcast 9\n"
              "cable-2         cable      2\n"
              "cable-9-2       cable      9\n");
    EXPECT_EQ(merge.planStations, 3u);
    EXPECT_EQ(merge.total, 5u);
    EXPECT_EQ(MergeScan(StationList{}, CablePlan(), {"2"}, {"2"}).text, FormatStations({Station{"cable-2", 1, "2"}}));
    const PlanInfo west = *PlanByName("europe-west");
    EXPECT_EQ(MergeScan(StationList{}, west, {"S10", "E5"}, {"E5"}).text,
              FormatStations({Station{"europe-west-E5", west.plan, "E5"}}));
}

TEST(TvctlStationListTest, MegahertzAndChannelSteps) {
    EXPECT_EQ(ParseMhz("77.25"), 77'250'000u);
    EXPECT_EQ(ParseMhz("54.0027"), 54'002'700u);
    EXPECT_EQ(ParseMhz("100"), 100'000'000u);
    for (const char *bad : {"", ".5", "1.", "1e3", "77,25", "-5", "1.1234567", "1234567"})
        EXPECT_FALSE(ParseMhz(bad)) << bad;
    EXPECT_EQ(MhzOfHz(79'187'500), "79.1875");
    EXPECT_EQ(MhzOfHz(55'250'000), "55.25");
}

TEST(TvctlTunerStateTest, KeepsTheTuningAndSkipsWhatItCannotRead) {
    const std::string file = tvtest::MakeTempDir("tuner") + "/sub/tuner";
    std::string error;
    ASSERT_TRUE(SaveTunerMemory(file, TunerMemory{"tuner", PlanByName("hrc")->plan, "5", 78'003'900, -3}, &error)) << error;
    TunerMemory memory = LoadTunerMemory(file, &error);
    EXPECT_EQ(memory.plan, PlanByName("hrc")->plan);
    EXPECT_EQ(memory.channel, "5");
    EXPECT_EQ(memory.carrierHz, 78'003'900u);
    EXPECT_EQ(memory.fine, -3);

    tvtest::WriteFile(file, "plan cable-irc\nchannel 300\nsource radio\n");
    std::string problem;
    memory = LoadTunerMemory(file, &problem);
    EXPECT_EQ(memory.plan, PlanByName("irc")->plan);
    EXPECT_EQ(memory.channel, "");
    EXPECT_EQ(memory.source, "tuner");
    EXPECT_EQ(problem.rfind(file + ":2: ", 0), 0u) << problem;

    // A carrier or fine offset out of range is damage, not a tuning; a FIFO
    // or a device is not read at all.
    struct Case {
        std::string text;  // "" : a FIFO there
        const char *problem;
    } cases[] = {
        {"plan cable\rcarrier 0.0001\rfine +1\r", ":2: "},
        {"carrier 4567.25\n", ":1: "},
        {"carrier 77.25\nfine +33\n", ":2: "},
        {"carrier 77.25\nfine 18446744073709551615\n", ":2: "},
        {"", "is a FIFO, not a regular file"},
        {std::string(kMaxTunerRecordBytes + 1, '#'), "is larger than 4096 bytes"},
    };
    for (const Case &c : cases) {
        std::filesystem::remove(file);
        if (c.text.empty())
            ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
        else
            tvtest::WriteFile(file, c.text);
        problem.clear();
        memory = LoadTunerMemory(file, &problem);
        EXPECT_NE(problem.find(c.problem), std::string::npos) << c.text << ": " << problem;
        EXPECT_EQ(memory.fine, c.text.find("fine +1") != std::string::npos ? 1 : 0) << c.text;
        EXPECT_EQ(memory.carrierHz == 77'250'000u, c.text.find("77.25") != std::string::npos) << c.text;
    }
}

}  // namespace
