// What the simulated card and mixer hold outlives a run of tvctl: kept in
// their state files, read back by get, safe with several processes at once,
// a damaged file replaced, and reset like switching the card off and on;
// what others plant at or beside the files, or a lock they keep, is never
// written through and never waited on for ever.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <future>
#include <map>
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

namespace fs = std::filesystem;

// Each entry of `dir` and what it is (lstat: a link is a link).
std::map<std::string, fs::file_type> Listing(const std::string &dir) {
    std::map<std::string, fs::file_type> entries;
    for (const fs::directory_entry &entry : fs::directory_iterator(dir))
        entries[entry.path().filename().string()] = entry.symlink_status().type();
    return entries;
}

// Paths others plant where the card and the mixer keep their files: nothing
// is written through them, and a state path that is no regular file is left
// as it is, with a note, while the run goes on in memory.
TEST(TvctlCardStateTest, PlantedPathsAreNeverWrittenThrough) {
    const struct {
        const char *name;
        void (*plant)(const std::string &file, const std::string &victim);
        const char *note;  // nullptr: none, the file is written
    } cases[] = {
        {"a link at the old temporary name",
         [](const std::string &file, const std::string &victim) { fs::create_symlink(victim, file + ".tmp"); },
         nullptr},
        {"a link as the file", [](const std::string &file, const std::string &victim) { fs::create_symlink(victim, file); },
         "it is a symbolic link"},
        {"a dangling link as the lock file",
         [](const std::string &file, const std::string &victim) { fs::create_symlink(victim + ".new", file + ".lock"); },
         "its lock file is a symbolic link"},
        {"a FIFO", [](const std::string &file, const std::string &) { ASSERT_EQ(mkfifo(file.c_str(), 0600), 0); },
         "it is a FIFO"},
        {"a directory", [](const std::string &file, const std::string &) { fs::create_directory(file); },
         "it is a directory"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        StateDir state;
        const std::string victim = state.dir + "/victim";
        tvtest::WriteFile(victim, "not the card's");
        for (const std::string &file : {state.card, state.mixer}) c.plant(file, victim);
        const auto planted = Listing(state.dir);

        ToolRun run = RunTvctl({"picture", "hue=9", "audio", "volume", "40000"}, state.env());
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(tvtest::ReadFile(victim), "not the card's");
        EXPECT_FALSE(fs::exists(victim + ".new"));
        if (c.note != nullptr) {
            for (const std::string &file : {state.card, state.mixer})
                EXPECT_NE(run.err.find("the state file " + file + " is not used (" + c.note +
                                       ", not a regular file, and is left alone)"),
                          std::string::npos)
                    << run.err;
            EXPECT_EQ(Listing(state.dir), planted) << "nothing created, replaced or removed";
        } else {
            EXPECT_EQ(run.err, "");
            EXPECT_EQ(fs::symlink_status(state.card).type(), fs::file_type::regular);
            EXPECT_EQ(Listing(state.dir).size(), planted.size() + 4) << "the files and their locks, no temporary left";
        }
    }
}

// A lock another process keeps is waited for a bounded time; then this
// process goes on without the file, with a note naming the lock file and
// its holder (this test).
TEST(TvctlCardStateTest, LockHeldElsewhereIsWaitedForABoundedTime) {
    StateDir state;
    const std::string lock = state.card + ".lock";
    int held = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    std::string command = tvtest::ReadFile("/proc/self/comm");
    command.resize(command.find('\n'));

    ToolRun get = RunTvctl({"--json", "get"}, state.env());
    close(held);
    EXPECT_EQ(get.status, 0) << get.err;
    EXPECT_NE(get.err.find("the state file " + state.card + " is not kept (its lock file " + lock +
                           " is still held by process " + std::to_string(getpid()) + " (" + command + ") after "),
              std::string::npos)
        << get.err;
    EXPECT_EQ(Answer(get)["card"]["hue"], 128) << "the card answers from memory";
    EXPECT_FALSE(fs::exists(state.card));
}

// A relative XDG_RUNTIME_DIR is ignored (it would depend on the directory
// tvctl runs in): the file goes to the next default place.
TEST(TvctlCardStateTest, RelativeRuntimeDirectoryIsIgnored) {
    const std::string home = tvtest::MakeTempDir("state-home");
    ToolRun run = RunTvctl({"picture", "hue=9"}, {{"TVSIM_STATE", ""},
                                                  {"TVMIXSIM_STATE", "off"},
                                                  {"XDG_RUNTIME_DIR", "relative-runtime-dir"},
                                                  {"XDG_STATE_HOME", home}});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::exists(home + "/tvcore/simcard.state"));
}

}  // namespace
