// LoadBoardConfig through the host's real file services: vidcfg.ini in a
// private Windows directory (TVHOST_WINDIR). Both multiplexer values change
// together or not at all, and no handle or page is left behind on any path.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/test_env.h"
#include "tv/board_config.h"
#include "tv/tv_state.h"
#include "tvhost/diag.h"

namespace {

using namespace tvcore;

const std::string kAlternativeFile = "[SYSTEM]\nBoardType=QX_KESTREL\n";

class BoardConfigReader : public testing::Test {
protected:
    void SetUp() override {
        tvState = kTvStateAtLoad;
        handlesAtStart_ = TvHostOpenHandleCount();
        regionsAtStart_ = TvHostLiveRegions();
        UseWindowsDir(tvtest::MakeTempDir("windows"));
    }
    void TearDown() override {
        EXPECT_EQ(TvHostOpenHandleCount(), handlesAtStart_) << "the reader left a handle open";
        EXPECT_EQ(TvHostLiveRegions(), regionsAtStart_) << "the reader left its page allocated";
        tvState = kTvStateAtLoad;
        tvtest::UseBuildTreeHost();
    }

    void UseWindowsDir(const std::string &dir) {
        windir_ = dir;
        setenv("TVHOST_WINDIR", dir.c_str(), 1);
    }
    void WriteConfig(const std::string &text) { tvtest::WriteFile(windir_ + "/vidcfg.ini", text); }

    static void ExpectDefaults() {
        EXPECT_EQ(tvState.compositeMux, 0x60);
        EXPECT_EQ(tvState.tunerMux, 0x20);
    }
    static void ExpectAlternative() {
        EXPECT_EQ(tvState.compositeMux, 0x40);
        EXPECT_EQ(tvState.tunerMux, 0x60);
    }

    std::string windir_;

private:
    uint32_t handlesAtStart_ = 0, regionsAtStart_ = 0;
};

TEST_F(BoardConfigReader, AlternativeBoardSwitchesBothMuxValuesAndNothingElse) {
    WriteConfig("/* board */\r\n[SYSTEM]\r\nBoardType = QX_KESTREL\r\n");
    LoadBoardConfig();
    ExpectAlternative();
    TvState expected = kTvStateAtLoad;
    expected.compositeMux = 0x40;
    expected.tunerMux = 0x60;
    EXPECT_EQ(tvState.sourcePlan, expected.sourcePlan);
    EXPECT_EQ(tvState.inputKeepMask, expected.inputKeepMask);
    EXPECT_EQ(tvState.brightness, expected.brightness);
    EXPECT_EQ(tvState.channel, expected.channel);
}

TEST_F(BoardConfigReader, NoFile) {
    LoadBoardConfig();
    ExpectDefaults();
}

TEST_F(BoardConfigReader, WindowsDirectoryMissing) {
    UseWindowsDir(windir_ + "/not-there");
    LoadBoardConfig();
    ExpectDefaults();
}

TEST_F(BoardConfigReader, DirectoryWhereTheFileShouldBe) {
    std::filesystem::create_directories(windir_ + "/vidcfg.ini");
    LoadBoardConfig();
    ExpectDefaults();
}

// The file opens but its read fails: the process's memory file, read at
// offset 0, fails for root too (unlike a file without read permission).
TEST_F(BoardConfigReader, ReadFailureReleasesEverything) {
    std::filesystem::create_symlink("/proc/self/mem", windir_ + "/vidcfg.ini");
    LoadBoardConfig();
    ExpectDefaults();
}

TEST_F(BoardConfigReader, UnreadableFile) {
    WriteConfig(kAlternativeFile);
    chmod((windir_ + "/vidcfg.ini").c_str(), 0);
    tvtest::MeetFilePermissionsAsAUser();
    LoadBoardConfig();
    ExpectDefaults();
}

// What the file says, and where: the alternative board only from an entry
// of its own within the first 4096 bytes.
TEST_F(BoardConfigReader, TheEntryCountsOnlyWhereTheFileSaysIt) {
    std::string filler;
    while (filler.size() < 4096) filler += "; padding line of the configuration file, no entry here\n";
    struct Case {
        const char *name;
        std::string text;
        bool alternative;
    } cases[] = {
        {"empty file", "", false},
        {"other board", "[SYSTEM]\nBoardType=STANDARD\n", false},
        {"no final line feed", "[SYSTEM]\nBoardType=QX_KESTREL", false},
        {"entry in a comment", "[SYSTEM]\n/*\nBoardType=QX_KESTREL\n*/\n", false},
        {"entry within the first 4096 bytes", kAlternativeFile + filler + filler, true},
        {"entry beyond 4096 bytes", "[SYSTEM]\n" + filler + "BoardType=QX_KESTREL\n", false},
        {"entry cut by the limit", "[SYSTEM]\n" + filler.substr(0, 4096 - 9 - 10) + "BoardType=QX_KESTREL\n", false},
    };
    for (const Case &c : cases) {
        tvState = kTvStateAtLoad;
        WriteConfig(c.text);
        LoadBoardConfig();
        EXPECT_EQ(tvState.compositeMux, c.alternative ? 0x40 : 0x60) << c.name;
        EXPECT_EQ(tvState.tunerMux, c.alternative ? 0x60 : 0x20) << c.name;
    }
}

// The directory is taken into a 128-byte buffer: a path of 127 characters
// fits, one of 128 does not, and then the reader gives up instead of using
// a truncated or unterminated buffer as a path.
TEST_F(BoardConfigReader, WindowsDirectoryPathLengthLimit) {
    const std::string base = tvtest::MakeTempDir("long");
    ASSERT_LT(base.size() + 2, 127u);
    for (std::size_t length : {127u, 128u, 200u}) {
        std::string dir = base + "/" + std::string(length - base.size() - 1, 'd');
        ASSERT_EQ(dir.size(), length);
        std::filesystem::create_directories(dir);
        tvtest::WriteFile(dir + "/vidcfg.ini", kAlternativeFile);
        UseWindowsDir(dir);
        tvState = kTvStateAtLoad;
        LoadBoardConfig();
        EXPECT_EQ(tvState.compositeMux, length < 128 ? 0x40 : 0x60) << "directory of " << length;
        EXPECT_EQ(tvState.tunerMux, length < 128 ? 0x60 : 0x20) << "directory of " << length;
    }
}

}  // namespace
