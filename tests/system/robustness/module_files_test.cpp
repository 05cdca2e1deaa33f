// What the library does when the files around it are wrong: a bus driver
// that is no shared object or whose link block is malformed, mixer drivers
// that cannot serve, and a Windows directory too long for the library's
// buffer. Each ends in the documented answer, never a crash or a half load.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "harness.h"
#include "support/test_env.h"
#include "tvhost/diag.h"

namespace {

using robust::Card;
using robust::CardLog;
using robust::CardRegister;
using robust::Library;

constexpr char kEntryLine[] = "\n\rIn DLLEntryPoint: DllMain\r\n";
constexpr char kFailedLine[] = "\n\rIn DllEntryPoint: thk_ThunkConnect32 ret FALSE\r\n";
constexpr char kConnectedLine[] = "\n\rIn DllEntryPoint: thk_ThunkConnect32 ret TRUE\r\n";

class ModuleFiles : public ::testing::Test {
protected:
    void SetUp() override {
        robust::UseSimulatedHardware();
        dir = tvtest::MakeTempDir("module-files");
        log = dir + "/debug.log";
        setenv("TVHOST_DEBUG", log.c_str(), 1);
    }
    void TearDown() override {
        EXPECT_EQ(TvHostLoadedModuleCount(), 0u);
        robust::UseSimulatedHardware();
    }

    // A directory holding only `file` under the name `as`.
    std::string DirWith(const std::string &as, const std::string &content) {
        std::string holder = tvtest::MakeTempDir("holder");
        tvtest::WriteFile(holder + "/" + as, content);
        return holder;
    }

    std::string dir, log;
};

TEST_F(ModuleFiles, ABusDriverThatCannotLinkRefusesTheLoad) {
    std::string testDrivers = tvtest::ModuleDir() + "/test-bus-drivers/";
    struct Case {
        const char *what;
        std::string busDir;  // searched before the build tree's module directory
    } cases[] = {
        {"a text file", DirWith("tvbus16.so", "not a module\n")},
        {"an empty file", DirWith("tvbus16.so", "")},
        {"a cut ELF header", DirWith("tvbus16.so", std::string("\x7F" "ELF\x02\x01", 6))},
        {"a block with the wrong signature", testDrivers + "bad-signature"},
        {"a block with too few entries", testDrivers + "bad-count"},
        {"a block with a NULL entry", testDrivers + "null-entry"},
    };
    for (const Case &c : cases) {
        std::filesystem::remove(log);
        setenv("TVHOST_PATH", (c.busDir + ":" + tvtest::ModuleDir()).c_str(), 1);
        Library lib;
        SetLastError(0);
        EXPECT_FALSE(lib.Load()) << c.what;
        EXPECT_EQ(GetLastError(), ERROR_DLL_INIT_FAILED) << c.what;
        EXPECT_EQ(tvtest::ReadFile(log), std::string(kEntryLine) + kFailedLine) << c.what;
        EXPECT_EQ(TvHostLoadedModuleCount(), 0u) << c.what;
        EXPECT_EQ(Card().LogTotal(), 0u) << c.what << ": nothing reached the simulated card";
    }
}

TEST_F(ModuleFiles, ADirectoryNamedLikeTheBusDriverIsPassedOver) {
    std::string holder = tvtest::MakeTempDir("holder");
    std::filesystem::create_directories(holder + "/tvbus16.so");
    setenv("TVHOST_PATH", (holder + ":" + tvtest::ModuleDir()).c_str(), 1);
    Library lib;
    ASSERT_TRUE(lib.Load()) << TvHostLastLoadError();
    EXPECT_EQ(tvtest::ReadFile(log), std::string(kEntryLine) + kConnectedLine);
    EXPECT_EQ(lib.I2C_Write(TV_I2C_DECODER, 0x0A, 0x12), TVSIM_OK) << "the simulated card further down the path serves";
    EXPECT_TRUE(lib.Free());
}

TEST_F(ModuleFiles, MixerDriversThatCannotServeAreSkipped) {
    std::string text = dir + "/text.so";
    std::string empty = dir + "/empty.so";
    tvtest::WriteFile(text, "not a module\n");
    tvtest::WriteFile(empty, "");
    std::string noEntry = tvtest::ModuleDir() + "/test-mixers/tvmixnoentry.so";
    struct Case {
        std::string setting;
        UINT devices;
    } cases[] = {
        {text, 0},
        {empty + "," + text, 0},
        {"nosuchdriver", 0},
        {noEntry, 0},
        {" , ,, ", 0},
        {text + ",tvmixsim", 1},
        {empty + ", " + noEntry + " ,tvmixsim," + text, 1},
    };
    for (const Case &c : cases) {
        setenv("TVHOST_MIXERS", c.setting.c_str(), 1);
        TvHostMixerReset();
        EXPECT_EQ(mixerGetNumDevs(), c.devices) << c.setting;

        std::filesystem::remove(log);
        Library lib;
        ASSERT_TRUE(lib.Load()) << TvHostLastLoadError();
        TvMixerLine line{};
        EXPECT_EQ(lib.InitTVAudio(&line), c.devices > 0 ? 1u : 0u) << c.setting;
        std::string said = tvtest::ReadFile(log);
        bool noMixer = said.find("No Mixers Found") != std::string::npos;
        EXPECT_EQ(noMixer, c.devices == 0) << c.setting;
        EXPECT_EQ(line.channelCount, 2u) << c.setting;
        EXPECT_TRUE(lib.Free());
        EXPECT_EQ(TvHostOpenMixerHandles(), 0u) << c.setting << ": the unload closed what was opened";
    }
}

// The loader's words for a driver that fails: the library's refusal names
// why its bus driver did not load, and a skipped mixer driver leaves its
// reason (its own, when it refuses its load and says why) and error code on
// the thread that loaded the drivers.
TEST_F(ModuleFiles, ADriverThatCannotLoadSaysWhy) {
    std::string text = DirWith("tvbus16.so", "not a module\n") + "/tvbus16.so";
    std::string noEntry = tvtest::ModuleDir() + "/test-mixers/tvmixnoentry.so";
    std::string refuses = tvtest::ModuleDir() + "/test-mixers/tvmixrefuses.so";
    setenv("TVHOST_PATH", (std::filesystem::path(text).parent_path().string() + ":" + tvtest::ModuleDir()).c_str(), 1);
    {
        Library lib;
        EXPECT_FALSE(lib.Load());
        std::string words = TvHostLastLoadError();
        EXPECT_NE(words.find("refused the load (" + text + ": not a shared object"), std::string::npos) << words;
    }
    robust::UseSimulatedHardware();

    struct Case {
        std::string setting;
        DWORD error;
        std::string words;
    } cases[] = {
        {"nosuchdriver", ERROR_MOD_NOT_FOUND, "module not found on the module path: nosuchdriver"},
        {text, ERROR_BAD_EXE_FORMAT, text + ": not a shared object for this machine"},
        {noEntry, ERROR_PROC_NOT_FOUND, noEntry + ": exports no mxdMessage"},
        {refuses, ERROR_DLL_INIT_FAILED, refuses + ": the mixer driver refused: the test driver refuses every load"},
    };
    for (const Case &c : cases) {
        setenv("TVHOST_MIXERS", (c.setting + ",tvmixsim").c_str(), 1);
        TvHostMixerReset();
        SetLastError(0);
        EXPECT_EQ(mixerGetNumDevs(), 1u) << c.setting << ": the next driver still serves";
        EXPECT_EQ(GetLastError(), c.error) << c.setting;
        EXPECT_EQ(TvHostLastLoadError(), c.words) << c.setting;
    }
    TvHostMixerReset();
}

TEST_F(ModuleFiles, AWindowsDirectoryLongerThanTheLibrarysBufferLeavesTheDefaults) {
    // The library takes the directory into 128 bytes, terminator included:
    // a path of 127 characters is read, one of 128 or more is not.
    const std::string alternativeBoard = "[SYSTEM]\nBoardType=QX_KESTREL\n";
    std::string base = tvtest::MakeTempDir("windir");
    struct Case {
        size_t length;
        bool read;
    } cases[] = {{100, true}, {127, true}, {128, false}, {200, false}, {600, false}};
    for (const Case &c : cases) {
        ASSERT_LT(base.size() + 2, c.length);
        std::string windir = base + "/" + std::string(c.length - base.size() - 1, 'w');
        // Components of at most 200 characters each.
        for (size_t at = base.size() + 201; at < windir.size(); at += 201) windir[at] = '/';
        ASSERT_EQ(windir.size(), c.length);
        std::filesystem::create_directories(windir);
        tvtest::WriteFile(windir + "/vidcfg.ini", alternativeBoard);
        setenv("TVHOST_WINDIR", windir.c_str(), 1);

        Library lib;
        ASSERT_TRUE(lib.Load()) << c.length << ": " << TvHostLastLoadError();
        EXPECT_EQ(TvHostLiveRegions(), 0u) << c.length << ": the read buffer is given back";
        EXPECT_EQ(TvHostOpenHandleCount(), 0u) << c.length << ": and the file closed";
        EXPECT_EQ(lib.SetTVParam(TV_PARAM_SOURCE, TV_SOURCE_COMPOSITE), TV_OK);
        EXPECT_EQ(CardRegister(0x01) & 0x60, c.read ? 0x40 : 0x60)
            << "directory of " << c.length << " characters";
        EXPECT_TRUE(lib.Free());
    }
}

TEST_F(ModuleFiles, ABoardFileThatIsNoFileLeavesTheDefaults) {
    std::string windir = getenv("TVHOST_WINDIR");
    std::filesystem::create_directories(windir + "/vidcfg.ini");
    Library lib;
    ASSERT_TRUE(lib.Load()) << TvHostLastLoadError();
    EXPECT_EQ(lib.SetTVParam(TV_PARAM_SOURCE, TV_SOURCE_TUNER_CABLE), TV_OK);
    EXPECT_EQ(CardRegister(0x01) & 0x60, 0x20);
    EXPECT_EQ(TvHostOpenHandleCount(), 0u);
    EXPECT_TRUE(lib.Free());
    std::filesystem::remove(windir + "/vidcfg.ini");
}

}  // namespace
