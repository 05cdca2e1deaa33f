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
    for (const char *bad : {"x \"unclosed", "x 'unclosed", "x \\"}) {
        error.clear();
        EXPECT_FALSE(TokenizeLine(bad, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(TvctlPlanInfoTest, ChannelsAreTheLibrarysTables) {
    EXPECT_EQ(CablePlan().firstChannel, 1u);
    EXPECT_EQ(CablePlan().lastChannel, 125u);
    EXPECT_EQ(BroadcastPlan().firstChannel, 2u);
    EXPECT_EQ(BroadcastPlan().lastChannel, 69u);

    std::optional<ChannelInfo> c63 = Channel(CablePlan(), 63);
    ASSERT_TRUE(c63);
    EXPECT_EQ(c63->divider, 0x1F70);
    EXPECT_EQ(Mhz(c63->carrierKHz), "457.25");
    EXPECT_EQ(Mhz(c63->oscillatorKHz), "503.00");
    EXPECT_STREQ(BandName(c63->bandCode), "high");

    std::optional<ChannelInfo> c56 = Channel(CablePlan(), 56);
    ASSERT_TRUE(c56);
    uint8_t block[4];
    TunerBlock(*c56, block);
    EXPECT_EQ(std::vector<uint8_t>(block, block + 4), (std::vector<uint8_t>{0x1C, 0xD0, 0x8E, 0x02}));

    // No carrier, or outside the table: no channel.
    EXPECT_FALSE(Channel(BroadcastPlan(), 1));
    EXPECT_FALSE(Channel(CablePlan(), 0));
    EXPECT_FALSE(Channel(CablePlan(), 126));
    EXPECT_FALSE(Channel(BroadcastPlan(), 70));
    EXPECT_EQ(NotInPlan(CablePlan(), 126), "channel 126 is not in the cable plan (1-125)");
    EXPECT_EQ(PlanByName("broadcast")->plan, BroadcastPlan().plan);
    EXPECT_EQ(PlanByName("Cable")->plan, CablePlan().plan);  // names are taken in any case
    EXPECT_FALSE(PlanByName("cable-x"));
}

}  // namespace
