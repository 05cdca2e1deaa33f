// tvctl's commands end to end on the simulated card: a refusal that stops
// the run, several commands on one library, JSON for scripts, the I2C and
// audio commands, the shell, and a load the bus refuses (each refusal's
// words and exit status are in tuning_test.cpp's table of errors).
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "support/test_env.h"
#include "tool_runner.h"

namespace {

using tvtest::RunTvctl;
using tvtest::ToolRun;

TEST(TvctlCommandsTest, RefusedChannelSendsNothingAndStopsTheRun) {
    ToolRun run = RunTvctl({"--json", "--trace", "channel", "126", "get"});
    EXPECT_EQ(run.status, 1);
    std::vector<nlohmann::json> lines = run.JsonLines();
    ASSERT_EQ(lines.size(), 1u);  // "get" did not run
    EXPECT_EQ(lines[0]["ok"], false);
    EXPECT_EQ(lines[0]["error"], "channel 126 is not in the cable plan (1-125)");
    EXPECT_TRUE(lines[0]["bus"].empty());
}

TEST(TvctlCommandsTest, CommandsShareOneLibrary) {
    // The card keeps its state from one command to the next, with either way
    // of separating them.
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"--json", "source", "broadcast", "channel", "14", "picture", "hue=40", "get"},
          std::vector<std::string>{"--json", "source", "broadcast", "--", "channel", "14", ";", "picture", "hue=40",
                                   "--", "get"}}) {
        ToolRun run = RunTvctl(args);
        ASSERT_EQ(run.status, 0) << run.err;
        std::vector<nlohmann::json> lines = run.JsonLines();
        ASSERT_EQ(lines.size(), 4u);
        EXPECT_EQ(lines[1]["locked"], true);
        EXPECT_EQ(lines[3]["source"], "broadcast");
        EXPECT_EQ(lines[3]["channel"], 14);
        EXPECT_EQ(lines[3]["hue"], 40);
        EXPECT_EQ(lines[3]["brightness"], 128);
    }
}

TEST(TvctlCommandsTest, ChannelWithoutLockIsDoneButSaidSo) {
    ToolRun run = RunTvctl({"channel", "3"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("no lock"), std::string::npos) << run.out;
}

TEST(TvctlCommandsTest, JsonParsesForEveryCommand) {
    ToolRun run = RunTvctl({"--json", "--", "plans", "cable", "--", "get", "--", "i2c", "read", "0x44", "0", "--",
                            "audio", "init", "--", "audio", "volume", "--", "config", "check", "--", "i2c", "dump",
                            "0xC2"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<nlohmann::json> lines = run.JsonLines();
    ASSERT_EQ(lines.size(), 7u);
    for (const nlohmann::json &line : lines) EXPECT_EQ(line["ok"], true) << line.dump();
    EXPECT_EQ(lines[0]["plans"][0]["channels"].size(), 125u);
    EXPECT_EQ(lines[2]["command"], "i2c read");
    EXPECT_EQ(lines[2]["address"], 0x88);
    EXPECT_EQ(lines[2]["notes"][0], "0x44 taken as 7-bit address, 8-bit form 0x88");
    EXPECT_EQ(lines[3]["volumeMax"], 65535);
    EXPECT_EQ(lines[4]["left"], 32767);  // the simulated mixer starts in the middle
    EXPECT_EQ(lines[5]["board"], "standard");
    EXPECT_EQ(lines[6]["registers"].size(), 256u);
}

TEST(TvctlCommandsTest, UsageErrorsExitTwoAndRunNothing) {
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{}, std::vector<std::string>{"tuen", "7"},
          std::vector<std::string>{"get", "channel"}, std::vector<std::string>{"channel", "7", "--json"},
          std::vector<std::string>{"--bus", "usb", "get"}}) {
        ToolRun run = RunTvctl(args, {{"TVHOST_DEBUG", "stderr"}});
        EXPECT_EQ(run.status, 2) << run.err;
        EXPECT_EQ(run.err.find("DllMain"), std::string::npos) << "the library was loaded: " << run.err;
    }
}

TEST(TvctlCommandsTest, HelpPerCommand) {
    // Each help ends in its own text: a command's section of the help text, a
    // subcommand's own section or else its command's, a text the code words.
    const struct {
        std::vector<std::string> args;
        const char *text;
        const char *notText;
    } cases[] = {
        {{"scan", "--help"}, "costs one normal tune", "Device addresses"},
        {{"i2c", "read", "--help"}, "Device addresses are the 8-bit form", "costs one normal tune"},
        {{"config", "show", "--help"}, "where it came from", "which file the library reads"},
        {{"stations", "rename", "--help"}, "Lists the stations of the list", "Device addresses"},
        {{"freq", "--help"}, "Carriers from 44 to 870 MHz", "Lists the stations"},
    };
    for (const auto &c : cases) {
        ToolRun run = RunTvctl(c.args);
        EXPECT_EQ(run.status, 0) << c.args.front();
        EXPECT_NE(run.out.find(c.text), std::string::npos) << run.out;
        EXPECT_EQ(run.out.find(c.notText), std::string::npos) << run.out;
    }
    // tvctl --help lists every command with its summary.
    ToolRun run = RunTvctl({"--help"});
    std::istringstream list(run.out.substr(run.out.find("Commands:\n") + 10));
    int commands = 0;
    for (std::string line; std::getline(list, line) && !line.empty(); ++commands)
        EXPECT_TRUE(line.size() > 12 && line[12] != ' ') << "no summary: " << line;
    EXPECT_EQ(commands, 21);
}

TEST(TvctlCommandsTest, I2cWritesReachTheCard) {
    ToolRun run = RunTvctl({"--json", "i2c", "write", "0x88", "0x0A", "0x7F", "i2c", "read", "0x88", "0x0A", "i2c",
                            "block", "0x88", "0x0E", "1", "2", "i2c", "read", "0x88", "0x0F"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<nlohmann::json> lines = run.JsonLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1]["value"], 0x7F);
    EXPECT_EQ(lines[3]["value"], 2);  // the block went to 0x0E and on to 0x0F
}

TEST(TvctlCommandsTest, AdaptersAsTheI2cDevDriverSeesThem) {
    std::string root = tvtest::MakeTempDir("sysfs");
    for (const auto &[dir, name] : {std::pair{"i2c-3", "capture card bus\n"}, std::pair{"i2c-0", "SMBus I801\n"}}) {
        std::filesystem::create_directories(root + "/" + dir);
        tvtest::WriteFile(root + "/" + dir + "/name", name);
    }
    ToolRun run = RunTvctl({"--json", "i2c", "adapters"}, {{"TVI2C_SYSFS_ROOT", root}});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<nlohmann::json> lines = run.JsonLines();
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_EQ(lines[0]["adapters"].size(), 2u);
    EXPECT_EQ(lines[0]["adapters"][0]["device"], "/dev/i2c-0");
    EXPECT_EQ(lines[0]["adapters"][1]["name"], "capture card bus");

    run = RunTvctl({"i2c", "adapters"}, {{"TVI2C_SYSFS_ROOT", root + "/missing"}});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot be read"), std::string::npos) << run.err;
}

TEST(TvctlCommandsTest, NoMixerIsSaid) {
    ToolRun run = RunTvctl({"audio", "init"}, {{"TVMIXSIM_DEVICES", "0"}});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("no mixer device"), std::string::npos) << run.err;
}

// Without --mixer tvctl gets the library's own mixer, as any program does,
// and when that has no TV sound line it says which mixer and how to choose;
// --mixer is used for the run and said.
TEST(TvctlCommandsTest, TheLibrarysMixerUnlessChosen) {
    if (!std::filesystem::exists(tvtest::ModuleDir() + "/tvmixalsa.so")) GTEST_SKIP() << "built without ALSA";
    ToolRun run = RunTvctl({"audio", "init"}, {{"TVHOST_MIXERS", ""}, {"TVMIXALSA_ELEMENT", "tvcore-test-no-such-element"}});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("the ALSA mixer (the installation's default mixer driver, tvmixalsa)"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("--mixer sim uses the simulated mixer"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("TVHOST_DEBUG=stderr"), std::string::npos) << run.err;

    run = RunTvctl({"--mixer", "sim", "audio", "init"}, {{"TVHOST_MIXERS", ""}});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("TV sound through the simulated mixer (--mixer) for this run; a program that loads the "
                           "library gets tvmixalsa"),
              std::string::npos)
        << run.err;
}

TEST(TvctlCommandsTest, RefusedLoadShowsTheDebugLines) {
    ToolRun run = RunTvctl({"get"}, {{"TVSIM_BUS", "unavailable"}});
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("tvcore.dll could not be loaded"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("thk_ThunkConnect32 ret FALSE"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("TVSIM_BUS=unavailable"), std::string::npos) << run.err;
}

// The V4L2 bus chosen by --v4l2-device: a node that does not open refuses
// the load, and the driver's own line says why.
TEST(TvctlCommandsTest, V4l2DeviceThatCannotBeUsedIsSaid) {
    ToolRun run = RunTvctl({"--v4l2-device", "/nonexistent/video9", "get"});
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("cannot use /nonexistent/video9 (TVV4L2_DEVICE)"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("the V4L2 bus did not connect"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("/v4l2:"), std::string::npos) << "the V4L2 driver's directory leads the module path";
}

TEST(TvctlCommandsTest, ShellRunsAScriptLineByLine) {
    ToolRun run = RunTvctl({"--json", "shell"}, {},
                           "source broadcast\n"
                           "# a comment line\n"
                           "channel 99\n"
                           "channel 9; get\n"
                           "\n"
                           "quit\n"
                           "get\n");
    // The failed line is reported and the script goes on; the status says it failed.
    EXPECT_EQ(run.status, 1);
    std::vector<nlohmann::json> lines = run.JsonLines();
    ASSERT_EQ(lines.size(), 5u);  // source, channel 99, channel 9, get, and the shell's own answer
    EXPECT_EQ(lines[1]["error"], "channel 99 is not in the broadcast plan (2-69)");
    EXPECT_EQ(lines[2]["locked"], true);
    EXPECT_EQ(lines[3]["channel"], 9);
    EXPECT_EQ(lines[4]["command"], "shell");
    EXPECT_EQ(run.out.find("tvctl>"), std::string::npos);  // no prompt from a pipe
}

}  // namespace
