#include "tool_runner.h"

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

#include "support/test_env.h"

extern char **environ;

namespace tvtest {

std::vector<nlohmann::json> ToolRun::JsonLines() const {
    std::vector<nlohmann::json> lines;
    std::istringstream stream(out);
    std::string line;
    while (std::getline(stream, line)) {
        nlohmann::json parsed = nlohmann::json::parse(line, nullptr, false);
        EXPECT_FALSE(parsed.is_discarded()) << "not JSON: " << line;
        if (!parsed.is_discarded()) lines.push_back(parsed);
    }
    return lines;
}

std::vector<std::string> Words(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> words;
    for (const std::vector<std::string> &part : parts) words.insert(words.end(), part.begin(), part.end());
    return words;
}

ToolRun RunTvctl(const std::vector<std::string> &args, const std::vector<std::pair<std::string, std::string>> &env,
                 const std::string &input, const std::string &interruptWhen) {
    // Output goes to files, so a long output cannot block the child.
    const std::string dir = MakeTempDir("tvctl-run");
    const std::string outPath = dir + "/out", errPath = dir + "/err", inPath = dir + "/in";
    WriteFile(inPath, input);

    std::vector<std::string> argvText{TVCTL_PROGRAM};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &arg : argvText) argv.push_back(arg.data());
    argv.push_back(nullptr);

    ToolRun run;
    int watched[2] = {-1, -1};  // standard error, read as it comes when it is watched
    if (!interruptWhen.empty() && pipe(watched) != 0) return run;
    pid_t child = fork();
    if (child == 0) {
        // The simulated mixer serves unless a test says otherwise (tvctl itself
        // takes the library's default, the system's mixer where it is built).
        setenv("TVHOST_MIXERS", "tvmixsim", 1);
        // Each run has its own tuner record and station list unless the test
        // names them, so runs never share state by accident.
        setenv("XDG_STATE_HOME", (dir + "/state").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
        for (const auto &[name, value] : env) {
            if (value.empty())
                unsetenv(name.c_str());
            else
                setenv(name.c_str(), value.c_str(), 1);
        }
        int in = open(inPath.c_str(), O_RDONLY);
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0) _exit(127);
        dup2(in, STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        dup2(watched[1] >= 0 ? watched[1] : err, STDERR_FILENO);
        if (watched[0] >= 0) close(watched[0]);
        // Run as root, tvctl still meets file permissions as its users do:
        // the capabilities that override them are dropped for the child.
        if (geteuid() == 0) {
            prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0);
            prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0);
        }
        alarm(300);  // a run that hangs is killed (and fails its test) rather than stalling the suite
        execve(argv[0], argv.data(), environ);
        _exit(127);
    }
    if (child < 0) return run;
    if (watched[0] >= 0) {
        close(watched[1]);
        char buffer[256];
        ssize_t got;
        bool sent = false;
        while ((got = read(watched[0], buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR)) {
            if (got > 0) run.err.append(buffer, static_cast<size_t>(got));
            if (!sent && run.err.find(interruptWhen) != std::string::npos) sent = kill(child, SIGINT) == 0;
        }
        close(watched[0]);
    }
    int status = 0;
    pid_t waited;
    do {
        waited = waitpid(child, &status, 0);
    } while (waited < 0 && errno == EINTR);
    run.status = waited == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadFile(outPath);
    if (watched[0] < 0) run.err = ReadFile(errPath);
    return run;
}

}  // namespace tvtest
