// What the simulated card and mixer hold outlives a run of tvctl: kept in
// their state files, read back by get, safe with several processes at once,
// a damaged file replaced, and reset like switching the card off and on.
#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

#include "support/test_env.h"
#include "tool_runner.h"

namespace {

using tvtest::RunTvctl;
using tvtest::ToolRun;

using Env = std::vector<std::pair<std::string, std::string>>;

// Runs with state files of the test's own.
struct StateDir {
    std::string dir = tvtest::MakeTempDir("state");
    std::string card = dir + "/card.state", mixer = dir + "/mixer.state";
    Env env() const { return {{"TVSIM_STATE", card}, {"TVMIXSIM_STATE", mixer}}; }
};

nlohmann::json Answer(const ToolRun &run, size_t index = 0) {
    std::vector<nlohmann::json> lines = run.JsonLines();
    return index < lines.size() ? lines[index] : nlohmann::json();
}

TEST(TvctlCardStateTest, OutlivesTheRunAndResetSwitchesItOff) {
    StateDir state;
    ToolRun set = RunTvctl({"picture", "brightness=200", "contrast=181", "hue=7", "saturation=255", "source", "svideo",
                            "audio", "volume", "40000"},
                           state.env());
    ASSERT_EQ(set.status, 0) << set.err;

    // A new run: the card holds what the first set, the library is fresh.
    ToolRun get = RunTvctl({"--json", "get", "audio", "volume"}, state.env());
    ASSERT_EQ(get.status, 0) << get.err;
    nlohmann::json answer = Answer(get);
    EXPECT_EQ(answer["brightness"], 128);
    EXPECT_EQ(answer["card"], (nlohmann::json{{"input", "svideo"}, {"mux", 0x20}, {"brightness", 200},
                                              {"contrast", 181}, {"hue", 7}, {"saturation", 255}}));
    EXPECT_EQ(Answer(get, 1)["left"], 40000);

    ToolRun reset = RunTvctl({"reset"}, state.env());
    ASSERT_EQ(reset.status, 0) << reset.err;
    EXPECT_NE(reset.out.find("removed " + state.card), std::string::npos) << reset.out;
    EXPECT_NE(reset.out.find("removed " + state.mixer), std::string::npos) << reset.out;
    EXPECT_FALSE(std::filesystem::exists(state.card));

    get = RunTvctl({"--json", "get", "audio", "volume"}, state.env());
    answer = Answer(get);
    EXPECT_EQ(answer["card"]["input"], "tuner");
    EXPECT_EQ(answer["card"]["brightness"], 128);
    EXPECT_EQ(answer["card"]["contrast"], 128);
    EXPECT_EQ(Answer(get, 1)["left"], 32767);

    // Turned off, nothing is kept.
    ASSERT_EQ(RunTvctl({"picture", "hue=9"}, {{"TVSIM_STATE", "off"}}).status, 0);
    EXPECT_FALSE(std::filesystem::exists(state.card));
}

// Processes that write at once each keep their writes: every one is a
// read-modify-write of the file under its lock.
TEST(TvctlCardStateTest, ProcessesWritingAtOnceLoseNothing) {
    StateDir state;
    constexpr int kProcesses = 4, kWrites = 6;
    std::vector<std::future<ToolRun>> runs;
    for (int p = 0; p < kProcesses; ++p) {
        std::vector<std::string> args;
        for (int w = 0; w < kWrites; ++w) {
            if (w) args.push_back("--");
            for (std::string word : {std::string("i2c"), std::string("write"), std::string("0x88"),
                                     std::to_string(0x20 + p * kWrites + w), std::to_string(0x40 + p * kWrites + w)})
                args.push_back(word);
        }
        runs.push_back(std::async(std::launch::async, [args, &state] { return RunTvctl(args, state.env()); }));
    }
    for (std::future<ToolRun> &run : runs) EXPECT_EQ(run.get().status, 0);

    ToolRun dump = RunTvctl({"--json", "i2c", "dump", "0x88"}, state.env());
    ASSERT_EQ(dump.status, 0) << dump.err;
    EXPECT_EQ(dump.err, "");  // the file was sound
    nlohmann::json registers = Answer(dump)["registers"];
    for (int r = 0; r < kProcesses * kWrites; ++r) EXPECT_EQ(registers[0x20 + r], 0x40 + r) << "register " << r;
}

// A file that is not a sound state of this device is ignored with one note,
// the card starts at power-on, and the file is replaced by a sound one.
TEST(TvctlCardStateTest, DamagedFileIsIgnoredOnceAndReplaced) {
    StateDir state;
    ASSERT_EQ(RunTvctl({"picture", "hue=9"}, state.env()).status, 0);
    const std::string sound = tvtest::ReadFile(state.card);
    ASSERT_GT(sound.size(), 20u);
    std::string flipped = sound;
    flipped[30] ^= 0x01;
    const struct {
        const char *name;
        std::string bytes;
        const char *why;
    } cases[] = {
        {"empty", "", "not this device's state"},
        {"short", sound.substr(0, 40), "wrong length"},
        {"foreign", "TVMIXSM1" + sound.substr(8), "not this device's state"},
        {"one bit changed", flipped, "checksum"},
    };
    for (const auto &c : cases) {
        tvtest::WriteFile(state.card, c.bytes);
        ToolRun get = RunTvctl({"--json", "get"}, state.env());
        EXPECT_EQ(get.status, 0) << c.name << ": " << get.err;
        EXPECT_NE(get.err.find("is ignored and replaced (it"), std::string::npos) << c.name << ": " << get.err;
        EXPECT_NE(get.err.find(c.why), std::string::npos) << c.name << ": " << get.err;
        EXPECT_EQ(Answer(get)["card"]["hue"], 128) << c.name;
        ToolRun again = RunTvctl({"get"}, state.env());
        EXPECT_EQ(again.err, "") << c.name << ": the file was replaced by a sound one";
    }
}

}  // namespace
