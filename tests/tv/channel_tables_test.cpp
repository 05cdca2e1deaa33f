// The channel tables against the carriers their allocation documents give,
// the lookups a TV application makes in them, and the standards' bits
// against the kernel's own header.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "tvcore/card/channel_tables.h"

#ifdef __linux__
#include <linux/videodev2.h>
#endif

namespace {

using namespace tvcore::card;

struct TellingChannel {
    const char *table;
    const char *channel;
    uint32_t carrierHz;  // as the table's source gives it
};

// First and last channels, band edges and the odd names, with the figures
// of the documents each table cites.
constexpr TellingChannel kTellingChannels[] = {
    {"us-bcast", "2", 55'250'000},        {"us-bcast", "7", 175'250'000},      {"us-bcast", "13", 211'250'000},
    {"us-bcast", "69", 801'250'000},
    {"us-cable", "1", 73'250'000},        {"us-cable", "95", 91'250'000},      {"us-cable", "99", 115'250'000},
    {"us-cable", "14", 121'250'000},      {"us-cable", "23", 217'250'000},     {"us-cable", "37", 301'250'000},
    {"us-cable-irc", "4", 67'250'000},    {"us-cable-irc", "5", 79'250'000},   {"us-cable-irc", "6", 85'250'000},
    {"us-cable-hrc", "2", 54'002'700},    {"us-cable-hrc", "5", 78'003'900},   {"us-cable-hrc", "7", 174'008'700},
    {"us-cable-hrc", "100", 648'032'400}, {"japan-bcast", "1", 91'250'000},    {"japan-bcast", "8", 193'250'000},
    {"japan-bcast", "12", 217'250'000},   {"japan-bcast", "13", 471'250'000},  {"japan-bcast", "52", 705'250'000},
    {"japan-cable", "C13", 109'250'000},  {"japan-cable", "C22", 165'250'000}, {"japan-cable", "C23", 223'250'000},
    {"japan-cable", "C63", 463'250'000},  {"europe-west", "E2", 48'250'000},   {"europe-west", "E2A", 49'750'000},
    {"europe-west", "E4", 62'250'000},    {"europe-west", "S2", 112'250'000},  {"europe-west", "S10", 168'250'000},
    {"europe-west", "E5", 175'250'000},   {"europe-west", "E12", 224'250'000}, {"europe-west", "S20", 294'250'000},
    {"europe-west", "S21", 303'250'000},  {"europe-west", "S40", 455'250'000}, {"europe-west", "21", 471'250'000},
    {"europe-east", "R1", 49'750'000},    {"europe-east", "R2", 59'250'000},   {"europe-east", "R4", 85'250'000},
    {"europe-east", "R6", 175'250'000},   {"europe-east", "R12", 223'250'000}, {"russia", "SK1", 111'250'000},
    {"russia", "SK8", 167'250'000},       {"russia", "6", 175'250'000},        {"russia", "SK11", 231'250'000},
    {"russia", "SK30", 383'250'000},      {"italy", "D", 175'250'000},         {"italy", "E", 183'750'000},
    {"italy", "H1", 217'250'000},         {"italy", "H2", 224'250'000},        {"ireland", "39", 615'250'000},
    {"france", "2", 55'750'000},          {"france", "3", 60'500'000},         {"france", "5", 176'000'000},
    {"france", "10", 216'000'000},        {"france", "61", 791'250'000},       {"australia", "0", 46'250'000},
    {"australia", "5A", 138'250'000},     {"australia", "9A", 203'250'000},    {"australia", "10", 210'250'000},
    {"australia", "12", 224'250'000},     {"australia", "28", 527'250'000},    {"newzealand", "1", 45'250'000},
    {"newzealand", "4", 175'250'000},     {"newzealand", "11", 224'250'000},   {"newzealand", "25", 503'250'000},
    {"china-bcast", "DS5", 85'250'000},   {"china-bcast", "DS6", 168'250'000}, {"china-bcast", "DS12", 216'250'000},
    {"china-bcast", "DS24", 559'250'000}, {"china-bcast", "DS25", 607'250'000}, {"argentina", "2", 55'250'000},
    {"southafrica", "38", 607'250'000},   {"southafrica", "67", 839'250'000},
};

TEST(ChannelTables, TellingChannelsSitAtTheirSourcesCarriers) {
    for (const TellingChannel &row : kTellingChannels) {
        SCOPED_TRACE(std::string(row.table) + " " + row.channel);
        const ChannelTable *table = FindTable(row.table);
        ASSERT_NE(table, nullptr);
        const TableChannel *channel = FindChannel(*table, row.channel);
        ASSERT_NE(channel, nullptr);
        EXPECT_EQ(channel->carrierHz, row.carrierHz);
    }
}

TEST(ChannelTables, EveryTableAndChannelIsFoundByNameInAnyCase) {
    for (const ChannelTable &table : kChannelTables) {
        std::string upper = table.name;
        for (char &c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(FindTable(upper), &table) << table.name;
    }
    const ChannelTable &west = *FindTable("europe-west");
    EXPECT_EQ(FindChannel(west, "e2a"), FindChannel(west, "E2A"));
    EXPECT_EQ(FindChannel(west, "E2B"), nullptr);
    EXPECT_EQ(FindChannel(west, "E"), nullptr);
    EXPECT_EQ(FindTable("europe"), nullptr);
    // Above the tuner's range: left out, not wrapped or clipped.
    EXPECT_EQ(FindChannel(*FindTable("china-bcast"), "DS58"), nullptr);
}

TEST(ChannelTables, NearestAndNextChannel) {
    const ChannelTable &west = *FindTable("europe-west");
    struct {
        uint64_t hz;
        const char *nearest;
    } const scans[] = {
        {0, "E2"},           {49'000'000, "E2"},  // exactly between E2 and E2A: the lower
        {49'100'000, "E2A"}, {471'000'000, "21"}, {900'000'000, "69"},
    };
    for (const auto &scan : scans) EXPECT_STREQ(NearestChannel(west, scan.hz)->name.data(), scan.nearest) << scan.hz;

    EXPECT_STREQ(NextChannel(west, "E4", true)->name.data(), "S2");
    EXPECT_STREQ(NextChannel(west, "s41", true)->name.data(), "21");
    EXPECT_STREQ(NextChannel(west, "69", true)->name.data(), "E2");
    EXPECT_STREQ(NextChannel(west, "E2", false)->name.data(), "69");
    EXPECT_STREQ(NextChannel(west, "nothing", true)->name.data(), "E2");
    EXPECT_STREQ(NextChannel(west, "nothing", false)->name.data(), "69");
}

TEST(AnalogStandards, NamesFindTheirMasks) {
    EXPECT_EQ(FindStandard("PAL-BG")->mask, kStdPalB | kStdPalB1 | kStdPalG);
    EXPECT_EQ(FindStandard("pal-nc")->mask, kStdPalNc);
    EXPECT_EQ(FindStandard("pal-x"), nullptr);
    EXPECT_STREQ(StandardName(FindTable("france")->defaultStandard), "secam-l");
}

#ifdef __linux__
TEST(AnalogStandards, BitsAreTheKernelHeaders) {
    struct {
        const char *name;
        v4l2_std_id kernel;
    } const standards[] = {
        {"ntsc", V4L2_STD_NTSC},         {"ntsc-m", V4L2_STD_NTSC_M},     {"ntsc-m-jp", V4L2_STD_NTSC_M_JP},
        {"ntsc-m-kr", V4L2_STD_NTSC_M_KR}, {"ntsc-443", V4L2_STD_NTSC_443}, {"pal", V4L2_STD_PAL},
        {"pal-b", V4L2_STD_PAL_B},       {"pal-b1", V4L2_STD_PAL_B1},     {"pal-g", V4L2_STD_PAL_G},
        {"pal-h", V4L2_STD_PAL_H},       {"pal-i", V4L2_STD_PAL_I},       {"pal-d", V4L2_STD_PAL_D},
        {"pal-d1", V4L2_STD_PAL_D1},     {"pal-k", V4L2_STD_PAL_K},       {"pal-bg", V4L2_STD_PAL_BG},
        {"pal-dk", V4L2_STD_PAL_DK},     {"pal-m", V4L2_STD_PAL_M},       {"pal-n", V4L2_STD_PAL_N},
        {"pal-nc", V4L2_STD_PAL_Nc},     {"pal-60", V4L2_STD_PAL_60},     {"secam", V4L2_STD_SECAM},
        {"secam-b", V4L2_STD_SECAM_B},   {"secam-d", V4L2_STD_SECAM_D},   {"secam-g", V4L2_STD_SECAM_G},
        {"secam-h", V4L2_STD_SECAM_H},   {"secam-k", V4L2_STD_SECAM_K},   {"secam-k1", V4L2_STD_SECAM_K1},
        {"secam-l", V4L2_STD_SECAM_L},   {"secam-lc", V4L2_STD_SECAM_LC}, {"secam-dk", V4L2_STD_SECAM_DK},
    };
    static_assert(std::size(standards) == std::size(kAnalogStandards));
    for (const auto &standard : standards) {
        const AnalogStandard *ours = FindStandard(standard.name);
        ASSERT_NE(ours, nullptr) << standard.name;
        EXPECT_EQ(ours->mask, standard.kernel) << standard.name;
    }
}
#endif

}  // namespace
