// What tvctl makes of the words it is given: numbers and I2C addresses,
// commands split from a command line, a shell line split into words, and
// the channel plans as it reads them from the library's tables.
#include <gtest/gtest.h>

#include <cctype>

#include "command_line.h"
#include "numbers.h"
#include "plan_info.h"

namespace {

using namespace tvctl;

struct AddressCase {
    const char *text;
    std::optional<uint32_t> address;
    const char *note;  // a part of the note, or of the refusal; "" for none
};

// Test names show the case's text (in letters and digits), not its bytes.
void PrintTo(const AddressCase &c, std::ostream *out) {
    std::string name = *c.text == '\0' ? "empty" : c.text;
    for (char &ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    *out << name;
}

class TvctlAddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(TvctlAddressTest, ReadsTheCardsAddressForm) {
    const AddressCase &c = GetParam();
    Parsed<uint32_t> parsed = ParseDeviceAddress(c.text);
    EXPECT_EQ(parsed.value, c.address);
    const std::string &said = c.address ? parsed.note : parsed.error;
    if (*c.note == '\0')
        EXPECT_TRUE(said.empty()) << said;
    else
        EXPECT_NE(said.find(c.note), std::string::npos) << said;
}

INSTANTIATE_TEST_SUITE_P(Addresses, TvctlAddressTest,
                         ::testing::Values(AddressCase{"0x88", 0x88, ""}, AddressCase{"136", 0x88, ""},
                                           AddressCase{"0xC2", 0xC2, ""},
                                           AddressCase{"0x44", 0x88, "0x44 taken as 7-bit address, 8-bit form 0x88"},
                                           AddressCase{"0x61", 0xC2, "8-bit form 0xC2"},
                                           AddressCase{"0x00", 0x00, "8-bit form 0x00"},
                                           AddressCase{"0x7F", 0xFE, "0x7F taken as 7-bit address, 8-bit form 0xFE"},
                                           AddressCase{"0x80", 0x80, ""},
                                           AddressCase{"0x89", 0x88, "read form of 0x88"},
                                           AddressCase{"0x100", std::nullopt, "out of range"},
                                           AddressCase{"0x", std::nullopt, "not a number"},
                                           AddressCase{"-1", std::nullopt, "not a number"},
                                           AddressCase{"0x88 ", std::nullopt, "not a number"},
                                           AddressCase{"", std::nullopt, "not a number"}));

TEST(TvctlNumbersTest, BytesAndLimits) {
    EXPECT_EQ(ParseByte("0xff", "value").value, 255u);
    EXPECT_EQ(ParseByte("0", "value").value, 0u);
    Parsed<uint32_t> wide = ParseByte("256", "register");
    EXPECT_FALSE(wide.value);
    EXPECT_EQ(wide.error, "register 256 is out of range (0x00-0xFF)");
    EXPECT_EQ(ParseNumber("18446744073709551615"), UINT64_MAX);
    EXPECT_FALSE(ParseNumber("18446744073709551616"));  // beyond 64 bits: refused, not wrapped
    EXPECT_FALSE(ParseNumber("+5"));
    EXPECT_FALSE(ParseNumber("0x1g"));
}

bool IsCommand(std::string_view word) { return word == "source" || word == "channel" || word == "get" || word == "config"; }

TEST(TvctlCommandLineTest, ACommandNameStartsACommand) {
    std::vector<Words> commands = SplitCommands({"source", "cable", "channel", "7", "get"}, IsCommand);
    EXPECT_EQ(commands, (std::vector<Words>{{"source", "cable"}, {"channel", "7"}, {"get"}}));
}

TEST(TvctlCommandLineTest, SeparatorsAloneSplitWhenPresent) {
    // With a separator anywhere, a command name is an ordinary argument.
    std::vector<Words> commands = SplitCommands({"config", "check", "get", "--", "get", ";", ";"}, IsCommand);
    EXPECT_EQ(commands, (std::vector<Words>{{"config", "check", "get"}, {"get"}}));
    EXPECT_TRUE(SplitCommands({"--", ";"}, IsCommand).empty());
}

TEST(TvctlCommandLineTest, ShellLinesSplitLikeAShell) {
    std::string error;
    EXPECT_EQ(TokenizeLine("picture brightness=1;get", &error), (Words{"picture", "brightness=1", ";", "get"}));
    EXPECT_EQ(TokenizeLine("config check \"my file.ini\"", &error), (Words{"config", "check", "my file.ini"}));
    EXPECT_EQ(TokenizeLine("'a b'c \"q\\\"\" x\\ y", &error), (Words{"a bc", "q\"", "x y"}));
    EXPECT_EQ(TokenizeLine("  # only a comment", &error), Words{});
    EXPECT_EQ(TokenizeLine("get # and a comment", &error), Words{"get"});
    EXPECT_EQ(TokenizeLine("a#b \"\"", &error), (Words{"a#b", ""}));
    // The shell says "the line has an " and then the error.
    for (auto [bad, said] : {std::pair{"x \"unclosed", "unclosed \" quote"}, std::pair{"x 'unclosed", "unclosed ' quote"},
                             std::pair{"x \\", "unfinished escape (a backslash at its end)"}}) {
        error.clear();
        EXPECT_FALSE(TokenizeLine(bad, &error)) << bad;
        EXPECT_EQ(error, said) << bad;
    }
}

TEST(TvctlPlanInfoTest, ChannelsAreTheLibrarysTables) {
    EXPECT_EQ(PlanRange(CablePlan()), "1-125");
    EXPECT_EQ(PlanRange(BroadcastPlan()), "2-69");

    std::optional<ChannelInfo> c63 = Channel(CablePlan(), "63");
    ASSERT_TRUE(c63);
    EXPECT_EQ(c63->divider, 0x1F70);
    EXPECT_EQ(Mhz(c63->carrierKHz), "457.25");
    EXPECT_EQ(Mhz(c63->oscillatorKHz), "503.00");
    EXPECT_STREQ(BandName(c63->bandCode), "high");

    std::optional<ChannelInfo> c56 = Channel(CablePlan(), "56");
    ASSERT_TRUE(c56);
    uint8_t block[4];
    TunerBlock(*c56, block);
    EXPECT_EQ(std::vector<uint8_t>(block, block + 4), (std::vector<uint8_t>{0x1C, 0xD0, 0x8E, 0x02}));

    // No carrier, or outside the table: no channel.
    for (const char *name : {"0", "126", "", "7x", "-1", "4294967303"}) EXPECT_FALSE(Channel(CablePlan(), name)) << name;
    EXPECT_FALSE(Channel(BroadcastPlan(), "1"));
    EXPECT_FALSE(Channel(BroadcastPlan(), "70"));
    EXPECT_EQ(NotInPlan(CablePlan(), "126"), "channel 126 is not in the cable plan (1-125)");
    EXPECT_FALSE(PlanByName("cable-x"));
    // The North-American tables keep the names tvctl always showed.
    EXPECT_STREQ(PlanByName("us-cable-hrc")->name, "cable-hrc");
    EXPECT_STREQ(PlanByName("us-bcast")->name, "broadcast");
}

// Every table by its name or an old alias, in any case; a channel of each by
// its name (any case, a number with leading zeros) at the table's carrier,
// tuned by the library in its own two plans only.
TEST(TvctlPlanInfoTest, TablesAndTheirChannelsByName) {
    struct Row {
        const char *plan, *table, *channel, *name;
        uint64_t carrierHz;
        bool cableInput;
    } rows[] = {
        {"broadcast", "us-bcast", "07", "7", 175'250'000, false},
        {"CABLE", "us-cable", "7", "7", 175'250'000, true},
        {"std", "us-cable", "99", "99", 115'250'000, true},
        {"irc", "us-cable-irc", "5", "5", 79'250'000, true},
        {"cable-hrc", "us-cable-hrc", "5", "5", 78'003'900, true},
        {"Europe-West", "europe-west", "e5", "E5", 175'250'000, false},
        {"europe-west", "europe-west", "S10", "S10", 168'250'000, false},
        {"japan-cable", "japan-cable", "c13", "C13", 109'250'000, true},
        {"china-bcast", "china-bcast", "DS7", "DS7", 176'250'000, false},
        {"australia", "australia", "5a", "5A", 138'250'000, false},
        {"france", "france", "5", "5", 176'000'000, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.plan) + " " + row.channel);
        std::optional<PlanInfo> plan = PlanByName(row.plan);
        ASSERT_TRUE(plan);
        EXPECT_STREQ(plan->table->name, row.table);
        EXPECT_EQ(plan->cableInput, row.cableInput);
        EXPECT_EQ(PlanByNumber(plan->plan)->name, plan->name);
        std::optional<ChannelInfo> info = Channel(*plan, row.channel);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->name, row.name);
        EXPECT_EQ(info->carrierHz, row.carrierHz);
        EXPECT_EQ(info->divider, tvcore::card::DividerOfCarrierHz(row.carrierHz));
        EXPECT_EQ(plan->library, std::string_view(row.table) == "us-bcast" || std::string_view(row.table) == "us-cable");
        EXPECT_EQ(info->number, plan->library ? std::stoul(row.name) : 0u);
    }
    EXPECT_FALSE(Channel(*PlanByName("europe-west"), "SE10"));
    EXPECT_EQ(NotInPlan(*PlanByName("europe-west"), "E13"),
              "channel E13 is not in the europe-west plan (E2-E12, S2-S41, 21-69)");
}

// Up and down go round at the ends: by number where every name is one, in
// carrier order where names have letters.
TEST(TvctlPlanInfoTest, UpAndDownWalkThePlan) {
    struct Row {
        const char *plan, *from;
        bool up;
        const char *to;
    } rows[] = {
        {"cable", "125", true, "1"},        {"cable", "6", true, "7"},         {"broadcast", "2", false, "69"},
        {"hrc", "13", true, "14"},          {"europe-west", "S10", true, "E5"}, {"europe-west", "69", true, "E2"},
        {"europe-west", "E2", false, "69"}, {"japan-cable", "C22", true, "4"},  {"australia", "5", true, "5A"},
        {"europe-west", "", true, "E2"},    {"europe-west", "x", false, "69"},
    };
    for (const Row &row : rows)
        EXPECT_EQ(NextChannel(*PlanByName(row.plan), row.from, row.up), row.to) << row.plan << " " << row.from;
}

}  // namespace
