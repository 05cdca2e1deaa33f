// Runs the built tvctl as a child process, as a user or a script would, and
// hands back what it printed and its exit status.
#pragma once

#include <initializer_list>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

namespace tvtest {

struct ToolRun {
    int status = -1;  // exit status; -1 when the program did not exit normally
    std::string out;  // standard output
    std::string err;  // standard error

    // Each line of standard output as JSON (for --json runs); a line that is
    // no JSON fails the calling test.
    std::vector<nlohmann::json> JsonLines() const;
};

// Runs tvctl with `args`, in this process's environment with
// TVHOST_MIXERS=tvmixsim (the simulated mixer) plus `env` (NAME, VALUE; an
// empty VALUE removes the setting), with `input` on its standard input.
// XDG_STATE_HOME and XDG_CONFIG_HOME point into a directory of the run's own
// unless `env` sets them. With `interruptWhen`, tvctl gets SIGINT (Ctrl-C)
// as soon as its standard error shows that text.
// A command line put together from its parts in order: fixed words and a
// case's own.
std::vector<std::string> Words(std::initializer_list<std::vector<std::string>> parts);

ToolRun RunTvctl(const std::vector<std::string> &args,
                 const std::vector<std::pair<std::string, std::string>> &env = {}, const std::string &input = "",
                 const std::string &interruptWhen = "");

}  // namespace tvtest
