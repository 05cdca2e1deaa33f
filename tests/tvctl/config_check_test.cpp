// config check on real files: the file the library reads, the board it
// selects, and a hint for each usual mistake.
#include <gtest/gtest.h>

#include "support/test_env.h"
#include "tool_runner.h"

namespace {

using tvtest::RunTvctl;
using tvtest::ToolRun;

struct FileCase {
    const char *name;
    std::string text;
    const char *board;
    const char *hint;  // the kind of the hint expected, "" for none
};

// Test names and failure messages show the case's name, not its bytes.
void PrintTo(const FileCase &c, std::ostream *out) { *out << c.name; }

class TvctlConfigCheckTest : public ::testing::TestWithParam<FileCase> {};

TEST_P(TvctlConfigCheckTest, SaysTheBoardAndTheMistake) {
    const FileCase &c = GetParam();
    std::string path = tvtest::MakeTempDir("config") + "/" + c.name + ".ini";
    tvtest::WriteFile(path, c.text);
    ToolRun run = RunTvctl({"--json", "config", "check", path});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<nlohmann::json> lines = run.JsonLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["checkedFile"], path);
    EXPECT_EQ(lines[0]["board"], c.board);
    std::vector<std::string> kinds;
    for (const nlohmann::json &hint : lines[0]["hints"]) kinds.push_back(hint["kind"]);
    if (*c.hint == '\0')
        EXPECT_TRUE(kinds.empty()) << lines[0]["hints"].dump();
    else
        EXPECT_EQ(kinds, std::vector<std::string>{c.hint}) << lines[0]["hints"].dump();
}

INSTANTIATE_TEST_SUITE_P(
    Files, TvctlConfigCheckTest,
    ::testing::Values(
        FileCase{"alternative", "[VIDEO]\nStandard=PAL\n[SYSTEM]\r\nBoardType = QX_KESTREL\r\n[AUDIO]\n", "alternative", ""},
        FileCase{"standard", "[SYSTEM]\nBoardType = STANDARD\n", "standard", ""},
        FileCase{"tab", "[SYSTEM]\nBoardType\t= QX_KESTREL\n", "standard", "tab-before-equals"},
        FileCase{"keyCase", "[SYSTEM]\nBOARDTYPE = QX_KESTREL\n", "standard", "key-case"},
        FileCase{"valueCase", "[SYSTEM]\nBoardType = Qx_Kestrel\n", "standard", "value-case"},
        FileCase{"quoted", "[SYSTEM]\nBoardType = \"QX_KESTREL\"\n", "standard", "quoted-value"},
        FileCase{"comment", "[SYSTEM]\n/*\n  BoardType = QX_KESTREL\n*/\n", "standard", "entry-in-comment"},
        FileCase{"outside", "[SYSTEM]\n[VIDEO]\nBoardType = QX_KESTREL\n", "standard", "entry-outside-section"},
        FileCase{"noFinalLineFeed", "[SYSTEM]\nBoardType = QX_KESTREL", "standard", "no-final-line-feed"},
        // Only the first 4096 bytes are read, as by the library: an entry cut
        // by that limit is named.
        FileCase{"cutAt4096", "[SYSTEM]\n" + std::string(4073, '\n') + "BoardType = QX_KESTREL\n", "standard",
                 "beyond-limit"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(TvctlConfigCheckTest, ReadsTheFileInTheWindowsDirectory) {
    std::string windir = tvtest::MakeTempDir("windir");
    ToolRun run = RunTvctl({"--json", "config", "check"}, {{"TVHOST_WINDIR", windir}});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<nlohmann::json> lines = run.JsonLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["libraryFile"], windir + "/vidcfg.ini");
    EXPECT_EQ(lines[0]["exists"], false);
    EXPECT_EQ(lines[0]["board"], "standard");

    tvtest::WriteFile(windir + "/vidcfg.ini", "[SYSTEM]\nBoardType=QX_KESTREL\n");
    run = RunTvctl({"config", "check"}, {{"TVHOST_WINDIR", windir}});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("the library reads: " + windir + "/vidcfg.ini"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("board: alternative"), std::string::npos) << run.out;
}

TEST(TvctlConfigCheckTest, AnUnreadableFileIsAFailure) {
    ToolRun run = RunTvctl({"config", "check", tvtest::MakeTempDir("none") + "/missing.ini"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot read"), std::string::npos) << run.err;
}

TEST(TvctlConfigCheckTest, TheLibraryAgreesWithTheVerdict) {
    // The alternative board's multiplexer values reach the decoder when a
    // source is selected: composite 0x40 instead of 0x60.
    std::string windir = tvtest::MakeTempDir("windir");
    tvtest::WriteFile(windir + "/vidcfg.ini", "[SYSTEM]\nBoardType = QX_KESTREL\n");
    ToolRun run = RunTvctl({"--json", "source", "composite", "i2c", "read", "0x88", "0x01"},
                           {{"TVHOST_WINDIR", windir}});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<nlohmann::json> lines = run.JsonLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1]["value"].get<int>() & 0x60, 0x40);
}

}  // namespace
