// tvctl against files and signals that once stalled or misled it: FIFOs,
// devices and unreadable files as the board file, a FIFO as the shell's
// history, --json answers for help and early errors, and SIGTERM during a
// command.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/test_env.h"
#include "tool_runner.h"

extern char **environ;

namespace {

using tvtest::RunTvctl;
using tvtest::ToolRun;

std::string Fifo(const std::string &dir, const std::string &name) {
    std::string path = dir + "/" + name;
    EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
    return path;
}

TEST(TvctlHostileInput, ConfigCheckReadsOnlyWhatTheLibraryReads) {
    const std::string dir = tvtest::MakeTempDir("hostile-config");
    const std::string fifo = Fifo(dir, "fifo.ini");
    const std::string fifoDir = tvtest::MakeTempDir("hostile-windir-fifo");
    Fifo(fifoDir, "vidcfg.ini");
    const std::string zeroDir = tvtest::MakeTempDir("hostile-windir-zero");
    std::filesystem::create_symlink("/dev/zero", zeroDir + "/vidcfg.ini");
    const std::string longFile = dir + "/long.ini";
    tvtest::WriteFile(longFile, "[SYSTEM]\nBoardType = QX_KESTREL\n" + std::string(6000, ';') + "\n");
    struct Case {
        const char *what;
        std::string file;    // "" : the library's own file in `windir`
        std::string windir;  // "" : the test's own
        int status;
        const char *said;  // in standard output or standard error
    } cases[] = {
        {"a FIFO", fifo, "", 1, "it is a FIFO"},
        {"a device", "/dev/zero", "", 1, "it is a device"},
        {"a directory", dir, "", 1, "it is a directory"},
        {"a read that fails (EIO)", "/proc/self/mem", "", 1, "cannot read /proc/self/mem"},
        {"the library's file is a FIFO", "", fifoDir, 0, "board: standard (the file is not read: it is a FIFO"},
        {"the library's file leads to /dev/zero", "", zeroDir, 0, "board: standard (the file is not read: it is a device"},
        {"a file longer than 4096 bytes", longFile, "", 0, "the file has 6033 bytes; the library reads only the first 4096"},
    };
    for (const Case &c : cases) {
        std::vector<std::string> args{"config", "check"};
        if (!c.file.empty()) args.push_back(c.file);
        ToolRun run = RunTvctl(args, c.windir.empty() ? std::vector<std::pair<std::string, std::string>>{}
                                                      : std::vector<std::pair<std::string, std::string>>{
                                                            {"TVHOST_WINDIR", c.windir}});
        EXPECT_EQ(run.status, c.status) << c.what << "\n" << run.out << run.err;
        EXPECT_NE((run.out + run.err).find(c.said), std::string::npos) << c.what << "\n" << run.out << run.err;
    }
}

// With --json every answer is a JSON object: help, errors before the first
// command, and the shell's own errors.
TEST(TvctlHostileInput, JsonModeAnswersOnlyInJson) {
    struct Case {
        const char *what;
        std::vector<std::string> args;
        std::string input;
        int status;
        size_t objects;
    } cases[] = {
        {"tvctl --help", {"--json", "--help"}, "", 0, 1},
        {"COMMAND --help", {"--json", "get", "--help"}, "", 0, 1},
        {"an unknown command", {"--json", "bogus"}, "", 2, 1},
        {"no command", {"--json"}, "", 2, 1},
        {"a bad option value", {"--json", "--bus", "nowhere", "get"}, "", 2, 1},
        {"help, help CMD, a bad help and a quoting error in the shell",
         {"--json", "shell"}, "help\nhelp get\nhelp bogus\nget 'unclosed\n", 2, 5},
    };
    for (const Case &c : cases) {
        ToolRun run = RunTvctl(c.args, {}, c.input);
        EXPECT_EQ(run.status, c.status) << c.what << "\n" << run.out << run.err;
        std::vector<nlohmann::json> lines = run.JsonLines();
        EXPECT_EQ(lines.size(), c.objects) << c.what << "\n" << run.out;
        EXPECT_EQ(run.err, "") << c.what;
    }
}

// The shell on a terminal, with a FIFO as its history file: the prompt comes
// and "quit" ends it.
TEST(TvctlHostileInput, AHistoryFifoDoesNotStallTheShell) {
    const std::string home = tvtest::MakeTempDir("hostile-home");
    Fifo(home, ".tvctl_history");
    int terminal = -1;
    pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("HOME", home.c_str(), 1);
        alarm(30);
        char *argv[] = {const_cast<char *>(TVCTL_PROGRAM), const_cast<char *>("shell"), nullptr};
        execve(argv[0], argv, environ);
        _exit(127);
    }
    std::string seen;
    bool prompted = false;
    for (int waited = 0; waited < 200 && !prompted; ++waited) {
        pollfd ready{terminal, POLLIN, 0};
        if (poll(&ready, 1, 100) <= 0) continue;
        char chunk[256];
        ssize_t got = read(terminal, chunk, sizeof chunk);
        if (got <= 0) break;
        seen.append(chunk, static_cast<size_t>(got));
        prompted = seen.find("tvctl> ") != std::string::npos;
    }
    EXPECT_TRUE(prompted) << seen;
    if (prompted) {
        EXPECT_EQ(write(terminal, "quit\n", 5), 5);
    }
    int status = 0;
    if (!prompted) kill(child, SIGKILL);
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << seen;
    EXPECT_NE(seen.find("keeps no history"), std::string::npos) << seen;
    close(terminal);
}

// SIGTERM while the shell waits for its next command (the library loaded,
// the debug output collected): nothing of tvctl's is left in TMPDIR.
TEST(TvctlHostileInput, SigtermLeavesNothingInTmpdir) {
    const std::string tmp = tvtest::MakeTempDir("hostile-tmp");
    int in[2], out[2];
    ASSERT_EQ(pipe(in), 0);
    ASSERT_EQ(pipe(out), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("TMPDIR", tmp.c_str(), 1);
        unsetenv("TVHOST_DEBUG");
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        close(in[1]);
        close(out[0]);
        alarm(60);
        char *argv[] = {const_cast<char *>(TVCTL_PROGRAM), const_cast<char *>("--json"),
                        const_cast<char *>("shell"), nullptr};
        execve(argv[0], argv, environ);
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    ASSERT_EQ(write(in[1], "get\n", 4), 4);
    std::string answer;
    char c;
    while (answer.find('\n') == std::string::npos && read(out[0], &c, 1) == 1) answer += c;
    EXPECT_NE(answer.find("\"ok\":true"), std::string::npos) << answer;
    kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    close(in[1]);
    close(out[0]);
    EXPECT_TRUE(std::filesystem::is_empty(tmp)) << "left in TMPDIR: "
                                                << std::filesystem::directory_iterator(tmp)->path();
}

}  // namespace
