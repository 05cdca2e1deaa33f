// The board file linter: each usual mistake gives its hint, a clean file
// gives none, and every hinted file is one the library's scanner rejects.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "config_lint.h"
#include "tvcore/card/board_scan.h"

namespace {

using tvctl::LintBoardConfig;
using tvctl::LintHint;
using namespace tvcore::card;

struct LintCase {
    const char *name;
    std::string text;
    bool alternative;               // the library's verdict
    std::set<std::string> kinds;    // the hints expected, by kind
};

// Test names and failure messages show the case's name, not its bytes.
void PrintTo(const LintCase &c, std::ostream *out) { *out << c.name; }

std::set<std::string> Kinds(const std::vector<LintHint> &hints) {
    std::set<std::string> kinds;
    for (const LintHint &hint : hints) kinds.insert(hint.kind);
    return kinds;
}

std::string Long(const std::string &tail) {
    return "[SYSTEM]\n" + std::string(4100, ' ') + "\n" + tail;
}

const LintCase kCases[] = {
    {"clean alternative", "[SYSTEM]\nBoardType = QX_KESTREL\n", true, {}},
    {"clean alternative, crlf", "[SYSTEM]\r\nBoardType=QX_KESTREL\r\n", true, {}},
    {"clean standard among sections", "[VIDEO]\nx=1\n[SYSTEM]\nBoardType=STANDARD\n[AUDIO]\n", false, {}},
    {"no file content", "", false, {}},
    {"comment without an entry", "/* BoardType names the board */\n[SYSTEM]\nBoardType=QX_KESTREL\n", true, {}},
    {"tab before =", "[SYSTEM]\nBoardType\t= QX_KESTREL\n", false, {"tab-before-equals"}},
    {"tab after =", "[SYSTEM]\nBoardType =\tQX_KESTREL\n", false, {"tab-after-equals"}},
    {"key in other case", "[SYSTEM]\nboardtype = QX_KESTREL\n", false, {"key-case"}},
    {"value in other case", "[SYSTEM]\nBoardType = qx_kestrel\n", false, {"value-case"}},
    {"header in other case", "[System]\nBoardType = QX_KESTREL\n", false, {"header-case", "entry-outside-section"}},
    {"value in double quotes", "[SYSTEM]\nBoardType = \"QX_KESTREL\"\n", false, {"quoted-value"}},
    {"value in single quotes", "[SYSTEM]\nBoardType = 'QX_KESTREL'\n", false, {"quoted-value"}},
    {"entry in a one-line comment", "[SYSTEM]\n/* BoardType = QX_KESTREL */\n", false, {"entry-in-comment"}},
    {"entry in a long comment", "[SYSTEM]\n/*\nBoardType = QX_KESTREL\n*/\n", false, {"entry-in-comment"}},
    {"entry before the header", "BoardType = QX_KESTREL\n[SYSTEM]\n", false, {"entry-outside-section"}},
    {"entry after another section", "[SYSTEM]\n[VIDEO]\nBoardType = QX_KESTREL\n", false, {"entry-outside-section"}},
    {"entry on the header line", "[SYSTEM] BoardType = QX_KESTREL\n", false, {"entry-on-header-line"}},
    {"no final line feed", "[SYSTEM]\nBoardType = QX_KESTREL", false, {"no-final-line-feed"}},
    {"other text without final line feed", "[SYSTEM]\nBoardType = STANDARD\n; end", false, {}},
    {"stray last line without line feed", "[SYSTEM]\n; end", false, {"no-final-line-feed"}},
    {"entry beyond 4096 bytes", Long("BoardType = QX_KESTREL\n"), false, {"beyond-limit"}},
    {"entry without =", "[SYSTEM]\nBoardType QX_KESTREL\n", false, {"entry-without-equals"}},
    {"first entry decides", "[SYSTEM]\nBoardType = OTHER\nBoardType = QX_KESTREL\n", false, {"later-entry-ignored"}},
    {"lines after the deciding entry are not read",
     "[SYSTEM]\nBoardType = QX_KESTREL\nboardtype\t= x\n[system]\n", true, {}},
};

class TvctlLintTest : public ::testing::TestWithParam<LintCase> {};

TEST_P(TvctlLintTest, GivesTheHintsOfItsMistakes) {
    const LintCase &c = GetParam();
    BoardScanReport report = ExplainBoardConfig(c.text.data(), static_cast<uint32_t>(c.text.size()));
    ASSERT_EQ(report.alternativeBoard, c.alternative) << "the case's text does not do what its name says";
    std::vector<LintHint> hints = LintBoardConfig(c.text, report);
    EXPECT_EQ(Kinds(hints), c.kinds);
    for (const LintHint &hint : hints) {
        EXPECT_GT(hint.line, 0u);
        EXPECT_NE(hint.text.find("line " + std::to_string(hint.line)), std::string::npos) << hint.text;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, TvctlLintTest, ::testing::ValuesIn(kCases), [](const auto &info) {
    std::string name = info.param.name;
    for (char &c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
});

TEST(TvctlLintTest, NamesTheLinesConcerned) {
    std::string text = "[SYSTEM]\n\n/*\n BoardType = QX_KESTREL\n*/\n[VIDEO]\nBoardType = QX_KESTREL\n";
    BoardScanReport report = ExplainBoardConfig(text.data(), static_cast<uint32_t>(text.size()));
    std::vector<LintHint> hints = LintBoardConfig(text, report);
    ASSERT_EQ(hints.size(), 2u);
    EXPECT_EQ(hints[0].kind, "entry-in-comment");
    EXPECT_EQ(hints[0].line, 4u);
    EXPECT_NE(hints[0].text.find("opened on line 3"), std::string::npos) << hints[0].text;
    EXPECT_EQ(hints[1].kind, "entry-outside-section");
    EXPECT_EQ(hints[1].line, 7u);
    EXPECT_NE(hints[1].text.find("line 6"), std::string::npos) << hints[1].text;
}

}  // namespace
