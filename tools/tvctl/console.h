// What a command answers, and where it goes: readable text on the terminal,
// or one JSON object per command (--json) for scripts.
#pragma once

#include <fmt/format.h>

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace tvctl {

// Exit statuses of tvctl.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;     // a command was refused or failed
inline constexpr int kExitUsage = 2;      // the command line could not be understood
inline constexpr int kExitNoLibrary = 3;  // the library could not be loaded
inline constexpr int kExitInterrupted = 130;  // Ctrl-C stopped a command (128 + SIGINT, as shells report it)

// The outcome of one command.
struct Reply {
    bool ok = true;
    int exitCode = kExitOk;
    std::string error;                  // the sentence that says what went wrong
    std::vector<std::string> details;   // lines that explain it (e.g. the debug output of a refused load)
    std::vector<std::string> notes;     // things the user should know about an accepted request
    nlohmann::ordered_json data = nlohmann::ordered_json::object();

    void Fail(std::string sentence, int code = kExitFailed) {
        ok = false;
        exitCode = code;
        error = std::move(sentence);
    }
};

class Console {
public:
    explicit Console(bool json) : json_(json) {}

    bool Json() const { return json_; }

    // Text for the reader (standard output); nothing in JSON mode.
    void Say(std::string_view text) const;
    template <typename... Args>
    void Print(fmt::format_string<Args...> format, Args &&...args) const {
        if (!json_) Say(fmt::format(format, std::forward<Args>(args)...));
    }

    // Notes and traces for the reader (standard error); nothing in JSON mode.
    void TellText(std::string_view text) const;
    template <typename... Args>
    void Tell(fmt::format_string<Args...> format, Args &&...args) const {
        if (!json_) TellText(fmt::format(format, std::forward<Args>(args)...));
    }

    // Progress of a long command on standard error: a bar redrawn in place on
    // a terminal, plain lines otherwise; nothing in JSON mode or when quiet.
    bool ProgressIsBar() const;
    void Progress(std::string_view bar, std::string_view line) const;
    void EndProgress() const;

    // Help text (tvctl --help, help CMD, CMD --help): as it is, or in JSON
    // mode one object with the text under "help".
    void Help(std::string_view command, std::string_view text) const;

    // Finishes a command: in JSON mode its object on one line (notes and
    // error included); otherwise the error with its details on standard
    // error (notes were printed as they arose).
    void Finish(std::string_view command, const Reply &reply) const;

private:
    bool json_;
};

}  // namespace tvctl
