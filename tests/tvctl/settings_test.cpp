// tvctl's settings file: its values used where nothing else chose, the
// command line and the environment first, each line checked as its option
// is (a bad one said as FILE:LINE and skipped), and config show saying
// where each setting came from.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>
#include <utility>

#include "support/test_env.h"
#include "tool_runner.h"

namespace {

using tvtest::RunTvctl;
using tvtest::ToolRun;
using Env = std::vector<std::pair<std::string, std::string>>;

// config show's answer: each key's value and where it came from ("FILE"
// standing for the settings file).
std::map<std::string, std::string> Shown(const ToolRun &run, const std::string &file) {
    std::map<std::string, std::string> shown;
    for (const nlohmann::json &line : run.JsonLines()) {
        if (!line.contains("settings")) continue;
        for (const nlohmann::json &setting : line["settings"]) {
            std::string from = setting["from"].get<std::string>();
            if (from.rfind(file, 0) == 0) from.replace(0, file.size(), "FILE");
            shown[setting["key"].get<std::string>()] = setting["value"].get<std::string>() + " @ " + from;
        }
    }
    return shown;
}

TEST(TvctlSettings, FileValuesApplyWhereNothingElseChose) {
    struct Case {
        const char *what;
        const char *text;  // the settings file; nullptr: none
        std::vector<std::string> args;
        std::map<std::string, std::string> shown;  // config show's lines expected (of a --json config show run)
        std::vector<std::string> said = {};        // on standard output or error
        int status = 0;
        Env env = {};
    };
    const std::vector<Case> cases{
        {"the file's plan is the tuner's while no record says otherwise", "plan = cable-irc\n",
         {"--json", "channel", "5", "config", "show"}, {{"plan", "cable-irc @ tuner record"}},
         {"\"plan\":\"cable-irc\",\"channel\":5"}},
        {"the file's plan and where it came from", "# mine\n\n  PLAN =  broadcast  \r\n",
         {"--json", "config", "show"}, {{"plan", "broadcast @ FILE:3"}, {"bus", "sim @ default"}}},
        {"the command line beats the file", "bus = i2cdev\ndevice = 3\n", {"--bus", "sim", "--json", "config", "show"},
         {{"bus", "sim @ command line (--bus)"}, {"device", " @ default (the simulated card has none)"}}},
        {"the file's bus and device", "bus = i2cdev\ndevice = 3\n", {"--json", "config", "show"},
         {{"bus", "i2cdev @ FILE:1"}, {"device", "3 @ FILE:2"}}},
        {"a device for another bus than the one in force", "bus = v4l2\ndevice = /dev/video9\n",
         {"--i2c-adapter", "card", "--json", "config", "show"},
         {{"bus", "i2cdev @ command line (--i2c-adapter)"}, {"device", "card @ command line (--i2c-adapter)"}}},
        {"the environment beats the file", "mixer = alsa\nelement = Line\n", {"--json", "config", "show"},
         {{"mixer", "tvmixsim @ environment (TVHOST_MIXERS)"}, {"element", "Aux @ environment (TVMIXALSA_ELEMENT)"}},
         {}, 0, Env{{"TVMIXALSA_ELEMENT", "Aux"}}},
        {"bad lines are said and skipped; the rest applies",
         "bus = pci\nplan = mars\nstandard = pal-x\nfoo = 1\nno equals\ncard =\nelement = Line Out\nelement = Aux\n",
         {"--json", "config", "show"},
         {{"bus", "sim @ default"}, {"plan", "cable @ default"}, {"element", "Line Out @ FILE:7"},
          {"card", " @ default"}},
         {"FILE:1: bus must be one of sim, i2cdev, v4l2, not \"pci\"; the line is skipped",
          "FILE:2: unknown channel plan \"mars\"", "FILE:3: \"pal-x\" is no TV standard", "FILE:4: unknown setting \"foo\"",
          "FILE:5: a setting is KEY = VALUE", "FILE:6: card has no value", "FILE:8: element is set on line 7 already"}},
        {"the file's standard is set before tuning, and named when refused", "standard = pal-bg\n", {"channel", "7"},
         {}, {"cannot be set to pal-bg (the standard that FILE:1 sets"}, 1},
        {"a run that sets a standard itself keeps it", "standard = pal-bg\n", {"standard", "ntsc", "channel", "7"}, {},
         {"cable channel 7 (175.25 MHz): locked"}},
        {"--no-settings reads none", "plan = broadcast\n", {"--no-settings", "--json", "config", "show"},
         {{"plan", "cable @ default"}}},
        {"a missing file is no settings, said nowhere", nullptr, {"--json", "config", "show"},
         {{"standard", " @ default"}, {"mixer", "tvmixsim @ environment (TVHOST_MIXERS)"}}},
    };
    for (const Case &c : cases) {
        // The default file, as XDG_CONFIG_HOME places it.
        const std::string dir = tvtest::MakeTempDir("settings");
        const std::string file = dir + "/tvctl/settings";
        std::filesystem::create_directory(dir + "/tvctl");
        if (c.text != nullptr) tvtest::WriteFile(file, c.text);
        Env env = c.env;
        env.emplace_back("XDG_CONFIG_HOME", dir);
        ToolRun run = RunTvctl(c.args, env);
        EXPECT_EQ(run.status, c.status) << c.what << "\n" << run.out << run.err;
        std::map<std::string, std::string> shown = c.shown.empty() ? decltype(shown){} : Shown(run, file);
        for (const auto &[key, value] : c.shown) EXPECT_EQ(shown[key].substr(0, value.size()), value) << c.what;
        std::string said = run.out + run.err;
        for (size_t at = 0; (at = said.find(file, at)) != std::string::npos;) said.replace(at, file.size(), "FILE");
        for (const std::string &part : c.said) EXPECT_NE(said.find(part), std::string::npos) << c.what << "\n" << said;
        if (c.text == nullptr || c.said.empty()) {
            EXPECT_EQ(run.err.find("note:"), std::string::npos) << c.what << run.err;
        }
    }
}

// --settings names another file; a FIFO is refused, not waited on; an empty name is wrong.
TEST(TvctlSettings, AnotherFileAndAFifo) {
    const std::string dir = tvtest::MakeTempDir("settings-option");
    tvtest::WriteFile(dir + "/mine", "plan = cable-hrc\n");
    ToolRun run = RunTvctl({"--settings", dir + "/mine", "config", "show"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("cable-hrc        " + dir + "/mine:1"), std::string::npos) << run.out;
    const std::string fifo = dir + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    run = RunTvctl({"--settings", fifo, "get"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("is a FIFO, not a regular file"), std::string::npos) << run.err;
    run = RunTvctl({"--settings", "", "get"});  // names no file, rather than the default one
    EXPECT_EQ(run.status, 2) << run.err;
}

}  // namespace
