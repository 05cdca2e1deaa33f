// The scanner of vidcfg.ini text: every rule of the file format, each case
// also checked against the plain reference scanner.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <memory>
#include <string>

#include "tests/tv/reference_scanner.h"
#include "tvcore/card/board_scan.h"
#include "tvhost/win32.h"

namespace {

using namespace std::string_literals;
using namespace tvcore::card;

struct ScanCase {
    const char *name;
    std::string text;
    bool alternative;
};

// Scans `text` from a heap block of exactly its size, so a sanitizer build
// catches any look past the end.
bool ScanExact(const std::string &text) {
    std::unique_ptr<char[]> block(new char[text.size()]);
    text.copy(block.get(), text.size());
    return ScanBoardConfig(block.get(), static_cast<uint32_t>(text.size()));
}

const ScanCase kCases[] = {
    // Line ends and the last line.
    {"lf line ends", "[SYSTEM]\nBoardType=QX_KESTREL\n", true},
    {"crlf line ends", "[SYSTEM]\r\nBoardType=QX_KESTREL\r\n", true},
    {"last line without line feed is not scanned", "[SYSTEM]\nBoardType=QX_KESTREL", false},
    {"carriage return alone does not end a line", "[SYSTEM]\nBoardType=QX_KESTREL\r", false},
    {"carriage returns alone never end lines", "[SYSTEM]\rBoardType=QX_KESTREL\r", false},
    {"empty lines are passed over", "\n\n[SYSTEM]\n\r\n\nBoardType=QX_KESTREL\n", true},
    {"a zero byte is just a byte", "[SYSTEM]\n\0BoardType=QX_KESTREL\n"s, true},
    {"empty text", "", false},

    // The section.
    {"entry before any header", "BoardType=QX_KESTREL\n[SYSTEM]\n", false},
    {"another section closes", "[SYSTEM]\n[VIDEO]\nBoardType=QX_KESTREL\n", false},
    {"any [ closes, mid-line", "[SYSTEM]\nsee [1]\nBoardType=QX_KESTREL\n", false},
    {"[ before the key on its line closes", "[SYSTEM]\nx[ BoardType=QX_KESTREL\n", false},
    {"header anywhere in a line", "text [SYSTEM]\nBoardType=QX_KESTREL\n", true},
    {"header in other case", "[system]\nBoardType=QX_KESTREL\n", false},
    {"header in other case closes the section", "[SYSTEM]\n[System]\nBoardType=QX_KESTREL\n", false},
    {"header cut short", "[SYSTEM\nBoardType=QX_KESTREL\n", false},
    {"second header reopens", "[SYSTEM]\n[A]\nBoardType=QX_KESTREL\n[SYSTEM]\nBoardType=QX_KESTREL\n", true},
    {"key on the header line is not examined", "[SYSTEM] BoardType=QX_KESTREL\n", false},
    {"comment opener after the header is not seen", "[SYSTEM] /*\nBoardType=QX_KESTREL\n", true},

    // Comments.
    {"comment on one line", "[SYSTEM]\n/* BoardType=QX_KESTREL */\n", false},
    {"comment across lines", "[SYSTEM]\n/*\nBoardType=QX_KESTREL\n*/\n", false},
    {"entry after a closed comment", "[SYSTEM]\n/* note */ BoardType=QX_KESTREL\n", true},
    {"entry right after a multi-line comment", "[SYSTEM]\n/*\nx\n*/BoardType=QX_KESTREL\n", true},
    {"header inside a comment", "/*\n[SYSTEM]\n*/\nBoardType=QX_KESTREL\n", false},
    {"[ inside a comment does not close", "[SYSTEM]\n/* [x] */\nBoardType=QX_KESTREL\n", true},
    {"comments do not nest", "[SYSTEM]\n/* /* */ BoardType=QX_KESTREL\n", true},
    {"closer outside a comment changes nothing", "[SYSTEM]\n*/ BoardType=QX_KESTREL\n", true},
    {"/*/ opens and closes at once", "[SYSTEM]\n/*/ BoardType=QX_KESTREL\n", true},
    {"/*/* : the second * is not an opener", "[SYSTEM]\n/*/*\nBoardType=QX_KESTREL\n", true},
    {"*/* : the closing / is not an opener", "[SYSTEM]\n/* x */*\nBoardType=QX_KESTREL\n", true},
    {"unclosed comment runs to the end", "[SYSTEM]\n/*\n\nBoardType=QX_KESTREL\n", false},

    // The key and the "=".
    {"spaces around =", "[SYSTEM]\nBoardType   =   QX_KESTREL\n", true},
    {"leading spaces and tabs", "[SYSTEM]\n \t BoardType=QX_KESTREL\n", true},
    {"longer word ending in the key", "[SYSTEM]\nMyBoardType=QX_KESTREL\n", true},
    {"key in other case", "[SYSTEM]\nboardtype=QX_KESTREL\n", false},
    {"key split by a line end", "[SYSTEM]\nBoard\nType=QX_KESTREL\n", false},
    {"tab before = passes the line over", "[SYSTEM]\nBoardType\t=QX_KESTREL\n", false},
    {"a later entry still counts after a tab", "[SYSTEM]\nBoardType\t=QX_KESTREL\nBoardType=QX_KESTREL\n", true},
    {"no = skips the rest of its line", "[SYSTEM]\nBoardType: BoardType=QX_KESTREL\n", false},
    {"no = skips a comment opener too", "[SYSTEM]\nBoardType /*\nBoardType=QX_KESTREL\n", true},
    {"= on the next line", "[SYSTEM]\nBoardType\n=QX_KESTREL\n", false},

    // The value.
    {"value in other case", "[SYSTEM]\nBoardType=qx_kestrel\n", false},
    {"quoted value", "[SYSTEM]\nBoardType=\"QX_KESTREL\"\n", false},
    {"tab after = is part of the value", "[SYSTEM]\nBoardType=\tQX_KESTREL\n", false},
    {"tenth character is not compared", "[SYSTEM]\nBoardType=QX_KESTREX\n", true},
    {"nine characters then the line end", "[SYSTEM]\nBoardType=QX_KESTRE\n", true},
    {"nine characters then CRLF", "[SYSTEM]\nBoardType=QX_KESTRE\r\n", true},
    {"eight characters are not enough", "[SYSTEM]\nBoardType=QX_KESTR\n", false},
    {"trailing text after the name", "[SYSTEM]\nBoardType=QX_KESTREL2 ; spare\n", true},
    {"first entry with = decides", "[SYSTEM]\nBoardType=STANDARD\nBoardType=QX_KESTREL\n", false},
    {"empty value decides too", "[SYSTEM]\nBoardType=\nBoardType=QX_KESTREL\n", false},
    {"value on the next line", "[SYSTEM]\nBoardType=\nQX_KESTREL\n", false},
    {"other value then a second section", "[SYSTEM]\nBoardType=X\n[SYSTEM]\nBoardType=QX_KESTREL\n", false},
};

class ScanRules : public testing::TestWithParam<ScanCase> {};

TEST_P(ScanRules, VerdictMatchesRuleAndReference) {
    const ScanCase &c = GetParam();
    EXPECT_EQ(ScanExact(c.text), c.alternative) << "library scanner";
    EXPECT_EQ(reference::Scan(c.text), c.alternative) << "reference scanner";
    EXPECT_EQ(ExplainBoardConfig(c.text.data(), static_cast<uint32_t>(c.text.size())).alternativeBoard,
              c.alternative)
        << "explaining scanner";
}

INSTANTIATE_TEST_SUITE_P(Cases, ScanRules, testing::ValuesIn(kCases), [](const auto &info) {
    std::string name;
    for (const char *p = info.param.name; *p != '\0'; ++p)
        name += (std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_');
    return name;
});

// ---- The 4096-byte limit ------------------------------------------------

// Lines of filler that bring the text to exactly `size` bytes.
std::string FillTo(std::string text, std::size_t size) {
    while (text.size() + 64 <= size) text += std::string(63, '#') + "\n";
    if (text.size() < size) text += std::string(size - text.size() - 1, '#') + "\n";
    return text;
}

const std::string kEntry = "BoardType=QX_KESTREL\n";

TEST(ScanLimit, OnlyTheFirst4096BytesCount) {
    struct Case {
        const char *name;
        std::string text;
        bool alternative;
    } cases[] = {
        {"entry ends exactly at 4096", FillTo("[SYSTEM]\n", 4096 - kEntry.size()) + kEntry, true},
        {"entry cut by the limit", FillTo("[SYSTEM]\n", 4096 - 5) + kEntry, false},
        {"entry beyond the limit", FillTo("[SYSTEM]\n", 4096) + kEntry, false},
        {"entry's line feed is byte 4097", FillTo("[SYSTEM]\n", 4096 - kEntry.size() + 1) + kEntry, false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ScanExact(c.text), c.alternative) << c.name;
        EXPECT_EQ(reference::Scan(c.text), c.alternative) << c.name;
    }
}

TEST(ScanLimit, GivenLengthIsHonoured) {
    std::string text = "[SYSTEM]\nBoardType=QX_KESTREL\n";
    EXPECT_TRUE(ScanBoardConfig(text.data(), static_cast<uint32_t>(text.size())));
    EXPECT_FALSE(ScanBoardConfig(text.data(), static_cast<uint32_t>(text.size() - 1)))
        << "the final line feed lies outside the length";
    EXPECT_FALSE(ScanBoardConfig(text.data(), 9)) << "only the header line is inside";
    EXPECT_FALSE(ScanBoardConfig(nullptr, 100)) << "no text";
}

// A length above 4096 is taken as 4096: the text sits right before a page
// without access, so any look past byte 4096 faults even without sanitizers.
TEST(ScanLimit, LengthAbove4096NeverReadsFurther) {
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    ASSERT_GE(page, 4096u);
    char *region = static_cast<char *>(VirtualAlloc(nullptr, 2 * page, MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(region, nullptr);
    char *guard = region + page;
    ASSERT_TRUE(VirtualFree(guard, page, MEM_DECOMMIT));
    char *text4096 = guard - 4096;

    std::string text = FillTo("[SYSTEM]\n", 4096 - kEntry.size()) + kEntry;
    text.copy(text4096, text.size());
    EXPECT_TRUE(ScanBoardConfig(text4096, 4096));
    EXPECT_TRUE(ScanBoardConfig(text4096, 0xFFFFFFFFu));
    EXPECT_TRUE(ExplainBoardConfig(text4096, 0xFFFFFFFFu).cutAtLimit);

    // Without any line feed the scanner walks to the limit and stops there.
    std::string noFeed(4096, 'B');
    noFeed.copy(text4096, noFeed.size());
    EXPECT_FALSE(ScanBoardConfig(text4096, 8192));
    EXPECT_TRUE(VirtualFree(region, 0, MEM_RELEASE));
}

// ---- What the explaining scanner reports ----------------------------------

TEST(ScanReport, NamesTheDecidingLineAndWhatItPassedOver) {
    const std::string text =
        "BoardType=QX_KESTREL\n"      // 1: outside the section
        "/* comment */\n"             // 2
        "[SYSTEM]\n"                  // 3
        "BoardType QX_KESTREL\n"      // 4: no "="
        "[VIDEO]\n"                   // 5: closes
        "[SYSTEM]\n"                  // 6
        "  BoardType = QX_KESTREL\n"  // 7: decides
        "tail without line feed";
    BoardScanReport r = ExplainBoardConfig(text.data(), static_cast<uint32_t>(text.size()));
    EXPECT_TRUE(r.alternativeBoard);
    EXPECT_EQ(r.firstStrayEntryLine, 1u);
    EXPECT_EQ(r.firstHeaderLine, 3u);
    EXPECT_EQ(r.headerCount, 2u);
    EXPECT_EQ(r.firstEntryWithoutEquals, 4u);
    EXPECT_EQ(r.sectionClosedLine, 5u);
    EXPECT_EQ(r.entryLine, 7u);
    EXPECT_EQ(r.linesScanned, 7u);
    EXPECT_EQ(text.substr(r.valueOffset, 10), "QX_KESTREL");
    EXPECT_EQ(r.ignoredTailBytes, 0u) << "the scan stopped before the tail";
    EXPECT_FALSE(r.cutAtLimit);
}

TEST(ScanReport, SaysWhyNothingWasFound) {
    const std::string text = "[SYSTEM]\n/* BoardType=QX_KESTREL\nBoardType=QX_KESTREL";
    BoardScanReport r = ExplainBoardConfig(text.data(), static_cast<uint32_t>(text.size()));
    EXPECT_FALSE(r.alternativeBoard);
    EXPECT_EQ(r.entryLine, 0u);
    EXPECT_EQ(r.linesScanned, 2u);
    EXPECT_TRUE(r.endedInComment);
    EXPECT_EQ(r.ignoredTailBytes, std::string("BoardType=QX_KESTREL").size());
}

}  // namespace
