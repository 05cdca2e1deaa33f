// tvctl's own files against a hostile home: station lists and tuner records
// that are FIFOs, devices, directories, huge, unreadable or out of range;
// saves that race, wait on a lock, fail half-way or meet a file that is no
// station list; a scan killed midway.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "support/test_env.h"
#include "tool_runner.h"

namespace {

using tvtest::RunTvctl;
using tvtest::ToolRun;
namespace fs = std::filesystem;

using Env = std::vector<std::pair<std::string, std::string>>;

// What a path is, to see that a run left it alone: its type, and its
// contents or its link's target.
std::string Snapshot(const std::string &path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) return "missing";
    if (S_ISLNK(info.st_mode)) return "link to " + fs::read_symlink(path).string();
    if (!S_ISREG(info.st_mode)) return "type " + std::to_string(info.st_mode & S_IFMT);
    if ((info.st_mode & S_IRUSR) == 0 || info.st_size > 1'000'000) return "size " + std::to_string(info.st_size);
    return tvtest::ReadFile(path);
}

const std::vector<std::string> kSave{"scan", "broadcast", "--channels", "2-5", "--fast", "-q", "--save"};

std::vector<std::string> With(std::vector<std::string> args, const std::string &last) {
    args.push_back(last);
    return args;
}

TEST(TvctlStationFiles, HostileListsAreRefusedAndLeftAlone) {
    struct Case {
        const char *what;
        std::function<void(const std::string &)> make;  // makes the list at its path; nullptr: none
        std::function<std::vector<std::string>(const std::string &)> args;
        int status;
        const char *said;
        Env env = {};
    };
    auto fifo = [](const std::string &p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); };
    auto zero = [](const std::string &p) { fs::create_symlink("/dev/zero", p); };
    auto text = [](std::string t) { return [t](const std::string &p) { tvtest::WriteFile(p, t); }; };
    auto stations = [](const std::string &p) { return std::vector<std::string>{"stations", "--file", p}; };
    auto save = [](const std::string &p) { return With(kSave, p); };
    const std::vector<Case> cases{
        {"a FIFO listed", fifo, stations, 1, "is a FIFO, not a regular file"},
        {"a FIFO tuned", fifo, [](auto &p) { return std::vector<std::string>{"tune", "x", "--file", p}; }, 1,
         "is a FIFO"},
        {"a FIFO saved to", fifo, save, 1, "the stations were not saved: the station list"},
        {"/dev/zero listed", zero, stations, 1, "is a device"},
        {"/dev/zero saved to", zero, save, 1, "is a device"},
        {"a directory", [](auto &p) { fs::create_directory(p); }, stations, 1, "is a directory"},
        {"too large", text(std::string((8u << 20) + 1, '#')), stations, 1, "is larger than 8388608 bytes"},
        {"a read that fails (EIO)", nullptr,
         [](auto &) { return std::vector<std::string>{"stations", "--file", "/proc/self/mem"}; }, 1,
         "/proc/self/mem cannot be read: Input/output error"},
        {"a carrier the divider would wrap", text("Wrap freq 4567.25\n"),
         [](auto &p) { return std::vector<std::string>{"--trace", "tune", "Wrap", "--file", p}; }, 1,
         "list:1: 4567.25 MHz is outside the tuner's range"},
        {"an ordinary text file", text("Shopping:\n- milk\n"), save, 1, "does not look like a station list"},
        {"--save ''", nullptr, [](auto &) { return With(kSave, ""); }, 2, "empty file name"},
        {"--file ''", nullptr, [](auto &) { return std::vector<std::string>{"stations", "--file", ""}; }, 2,
         "empty file name"},
        {"fine ''", nullptr, [](auto &) { return std::vector<std::string>{"fine", ""}; }, 2, "fine wants +N"},
        {"a relative XDG_CONFIG_HOME and HOME", nullptr, [](auto &) { return std::vector<std::string>{"stations"}; },
         1, "neither XDG_CONFIG_HOME nor HOME", Env{{"XDG_CONFIG_HOME", "rel"}, {"HOME", "rel"}}},
        {"unreadable (mode 000)", [](auto &p) { tvtest::WriteFile(p, "Mine cable 7\n"), chmod(p.c_str(), 0); }, save,
         1, "cannot be read: Permission denied"},
        {"a bad global option", nullptr, [](auto &) { return std::vector<std::string>{"--bus", "x", "get"}; }, 2,
         "tvctl: --bus must be one of"},
    };
    for (const Case &c : cases) {
        const std::string list = tvtest::MakeTempDir("hostile-list") + "/list";
        if (c.make) c.make(list);
        const std::string before = Snapshot(list);
        ToolRun run = RunTvctl(c.args(list), c.env);
        EXPECT_EQ(run.status, c.status) << c.what << "\n" << run.out << run.err;
        EXPECT_NE((run.out + run.err).find(c.said), std::string::npos) << c.what << "\n" << run.out << run.err;
        EXPECT_EQ(run.err.find("tvctl: tvctl:"), std::string::npos) << c.what;
        EXPECT_EQ(Snapshot(list), before) << c.what;
    }
}

// A rescan keeps what a person wrote (comments, a line with a typo), writes
// through a link to its target and keeps the target's mode; --force saves
// to a file that is no list, keeping its lines.
TEST(TvctlStationFiles, RescanKeepsLinesLinksAndModes) {
    const std::string dir = tvtest::MakeTempDir("rescan");
    const std::string mine = "# my list\nSports cable 7 +1x\n\"Old Two\" broadcast 2\nGone broadcast 3\n";
    tvtest::WriteFile(dir + "/real", mine);
    ASSERT_EQ(chmod((dir + "/real").c_str(), 0640), 0);
    fs::create_symlink("real", dir + "/link");
    ToolRun run = RunTvctl(With(kSave, dir + "/link"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find(dir + "/link:2: "), std::string::npos) << run.err;  // the typo, noted
    EXPECT_TRUE(fs::is_symlink(dir + "/link"));
    EXPECT_EQ(fs::status(dir + "/real").permissions() & fs::perms::all, static_cast<fs::perms>(0640));
    EXPECT_EQ(tvtest::ReadFile(dir + "/real"),
              "# my list\nSports cable 7 +1x\n\"Old Two\" broadcast 2\n"
              "broadcast-4     broadcast  4\nbroadcast-5     broadcast  5\n");

    tvtest::WriteFile(dir + "/notes.txt", "Shopping:\n");
    run = RunTvctl(With(With(kSave, dir + "/notes.txt"), "--force"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(tvtest::ReadFile(dir + "/notes.txt").rfind("Shopping:\nbroadcast-2 ", 0), 0u);
}

// A write that fails half-way (a full disk, here the file size limit) is
// reported and leaves the list as it was, with no temporary file about.
TEST(TvctlStationFiles, AFailedWriteKeepsTheList) {
    const std::string dir = tvtest::MakeTempDir("full");
    const std::string list = dir + "/stations";
    const std::string text = std::string(8000, '#') + "\nMine cable 7\n";
    tvtest::WriteFile(list, text);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small{4096, old.rlim_max};
    signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG rather than killing tvctl
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    ToolRun run = RunTvctl(With(kSave, list));
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("the stations were not saved: cannot write " + list + ": File too large"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(tvtest::ReadFile(list), text);
    std::vector<std::string> left;
    for (const auto &entry : fs::directory_iterator(dir)) left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"stations", "stations.lock"}));
}

// Two saves at once each keep the other's plan; a lock held elsewhere makes
// a save give up after a bounded wait, naming the file and the holder.
TEST(TvctlStationFiles, SavesTakeTheListsLock) {
    // A list long enough that both runs would read it before either wrote.
    std::string many;
    for (int i = 0; i < 20000; ++i) many += "S" + std::to_string(i) + " freq 100\n";
    for (int round = 0; round < 3; ++round) {
        const std::string list = tvtest::MakeTempDir("race") + "/stations";
        tvtest::WriteFile(list, many);
        ToolRun broadcast, cable;
        std::thread other([&] { cable = RunTvctl({"scan", "cable", "--channels", "2-5", "--fast", "-q", "--save", list}); });
        broadcast = RunTvctl(With(kSave, list));
        other.join();
        EXPECT_EQ(broadcast.status, 0) << broadcast.err;
        EXPECT_EQ(cable.status, 0) << cable.err;
        const std::string saved = tvtest::ReadFile(list);
        EXPECT_NE(saved.find("broadcast-2 "), std::string::npos) << saved;
        EXPECT_NE(saved.find("cable-2 "), std::string::npos) << saved;
    }

    const std::string list = tvtest::MakeTempDir("locked") + "/stations";
    int held = open((list + ".lock").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    ASSERT_EQ(write(held, "4242\n", 5), 5);
    ToolRun run = RunTvctl(With(kSave, list));
    close(held);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("the station list " + list + " is being changed by another process (process 4242)"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(list));
}

// A tuner record that is no regular file, or holds a carrier out of range,
// is read as damaged: nothing stalls, nothing out of range is tuned, and a
// record that cannot be written is said to be so once.
TEST(TvctlStationFiles, HostileTunerRecords) {
    struct Case {
        const char *what;
        std::function<void(const std::string &)> make;
        std::vector<std::string> args;
        int status;
        const char *said;
    } cases[] = {
        {"a FIFO", [](auto &p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }, {"get"}, 0, "is a FIFO"},
        {"/dev/urandom", [](auto &p) { fs::create_symlink("/dev/urandom", p); }, {"get"}, 0, "is a device"},
        {"a carrier below the tuner", [](auto &p) { tvtest::WriteFile(p, "carrier 0.0001\nfine 0\n"); },
         {"fine", "+1"}, 1, "nothing is tuned yet"},
        {"a directory", [](auto &p) { fs::create_directory(p); }, {"source", "cable-irc", "channel", "5", "fine", "+1"},
         0, "the tuner's record was not kept"},
    };
    for (const Case &c : cases) {
        const std::string state = tvtest::MakeTempDir("record");
        fs::create_directory(state + "/tvctl");
        c.make(state + "/tvctl/tuner");
        ToolRun run = RunTvctl(c.args, {{"XDG_STATE_HOME", state}});
        EXPECT_EQ(run.status, c.status) << c.what << "\n" << run.err;
        const std::string all = run.out + run.err;
        size_t at = all.find(c.said);
        EXPECT_NE(at, std::string::npos) << c.what << "\n" << all;
        EXPECT_EQ(all.find(c.said, at + 1), std::string::npos) << c.what << ": said twice\n" << all;
    }
}

// A scan killed midway leaves the tuner record as it was before the scan.
TEST(TvctlStationFiles, AKilledScanLeavesTheRecord) {
    const std::string state = tvtest::MakeTempDir("killed");
    ASSERT_EQ(RunTvctl({"channel", "3"}, {{"XDG_STATE_HOME", state}}).status, 0);
    const std::string before = tvtest::ReadFile(state + "/tvctl/tuner");
    int err[2];
    ASSERT_EQ(pipe(err), 0);
    pid_t child = fork();
    if (child == 0) {
        setenv("XDG_STATE_HOME", state.c_str(), 1);
        dup2(err[1], STDERR_FILENO);
        close(err[0]);
        alarm(60);
        execl(TVCTL_PROGRAM, TVCTL_PROGRAM, "scan", "broadcast", nullptr);
        _exit(127);
    }
    close(err[1]);
    std::string seen;
    char buffer[256];
    ssize_t got;
    while (seen.find("broadcast 3 (") == std::string::npos && (got = read(err[0], buffer, sizeof buffer)) > 0)
        seen.append(buffer, static_cast<size_t>(got));
    kill(child, SIGKILL);
    close(err[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(tvtest::ReadFile(state + "/tvctl/tuner"), before) << seen;
}

}  // namespace

// rename and remove change one line in place and leave every other byte (CR
// LF ends, comments, a line that is no station); a refusal leaves the file
// as it was. station next and prev go round the list from the station the
// tuner is on (a channel station matched without its fine offset), or from
// the ends when it is on none.
TEST(TvctlStationFiles, EditsInPlaceAndStepsThroughTheList) {
    const std::string list =
        "# my list\r\n\"Local News\"  broadcast 14   # evening\r\nSports cable 7 +1\nbad line\n\nradio freq 101.25\n";
    struct Case {
        std::vector<std::string> args;  // --file LIST follows
        int status;
        const char *said;
        std::string after;  // the file afterwards
        const char *text = nullptr;  // the file before, when not `list`
    };
    const std::vector<Case> cases{
        {{"stations", "rename", "sports", "Big Sports"}, 0, "renamed \"Sports\" to \"Big Sports\"",
         "# my list\r\n\"Local News\"  broadcast 14   # evening\r\n\"Big Sports\" cable 7 +1\nbad line\n\nradio freq 101.25\n"},
        {{"stations", "rename", "radio", "Radio \"1\""}, 0, "renamed",
         "# my list\r\n\"Local News\"  broadcast 14   # evening\r\nSports cable 7 +1\nbad line\n\n\"Radio \\\"1\\\"\" freq 101.25\n"},
        {{"stations", "rename", "local news", "LOCAL"}, 0, "renamed",
         "# my list\r\nLOCAL  broadcast 14   # evening\r\nSports cable 7 +1\nbad line\n\nradio freq 101.25\n"},
        {{"stations", "rename", "sports", "SPORTS"}, 0, "renamed",
         "# my list\r\n\"Local News\"  broadcast 14   # evening\r\nSPORTS cable 7 +1\nbad line\n\nradio freq 101.25\n"},
        {{"stations", "rename", "radio", "local NEWS"}, 1, "\"Local News\" is taken", list},
        {{"stations", "rename", "nope", "x"}, 1, "no station is named \"nope\" in ", list},
        {{"stations", "remove", "nope"}, 1, "no station is named \"nope\" in ", list},
        {{"stations", "remove", "LOCAL NEWS"}, 0, "removed \"Local News\" (broadcast 14)",
         "# my list\r\nSports cable 7 +1\nbad line\n\nradio freq 101.25\n"},
        {{"stations", "remove", "radio"}, 0, "removed",
         "# my list\r\n\"Local News\"  broadcast 14   # evening\r\nSports cable 7 +1\nbad line\n\n"},
        {{"station", "next"}, 0, "Local News: broadcast channel 14", list},
        {{"station", "prev"}, 0, "radio: 101.25 MHz", list},
        {{"source", "cable", "channel", "7", "station", "next"}, 0, "radio: 101.25 MHz", list},
        {{"freq", "101.25", "station", "prev"}, 0, "Sports: cable channel 7", list},
        {{"freq", "101.25", "station", "next"}, 0, "Local News: broadcast", list},
        {{"channel", "9", "station", "prev"}, 0, "radio:", list},
        {{"station", "next"}, 1, "holds no stations", "# nothing yet\n", "# nothing yet\n"},
    };
    for (const Case &c : cases) {
        const std::string path = tvtest::MakeTempDir("edit-list") + "/list";
        tvtest::WriteFile(path, c.text != nullptr ? c.text : list);
        ToolRun run = RunTvctl(With(With(c.args, "--file"), path));
        const std::string what = c.args.front() + " " + c.args[1] + " " + c.args.back();
        EXPECT_EQ(run.status, c.status) << what << "\n" << run.out << run.err;
        EXPECT_NE((run.out + run.err).find(c.said), std::string::npos) << what << "\n" << run.out << run.err;
        EXPECT_EQ(tvtest::ReadFile(path), c.after) << what;
        EXPECT_EQ(fs::exists(path + ".lock"), c.args.front() == "stations") << what;  // taken only to edit
    }
    ToolRun missing = RunTvctl({"station", "next", "--file", tvtest::MakeTempDir("edit-list") + "/none"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("does not exist"), std::string::npos) << missing.err;
}
