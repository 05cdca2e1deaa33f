// The shell: commands line by line on one loaded library. On a terminal it
// prompts and keeps a history (libedit); from a pipe it reads a script
// quietly.
#include <editline/readline.h>
#include <fmt/format.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "command_line.h"
#include "commands.h"
#include "session.h"

namespace tvctl {

namespace {

// The next line; false at the end of the input.
bool NextLine(bool interactive, std::string &line) {
    if (!interactive) return static_cast<bool>(std::getline(std::cin, line));
    char *text = readline("tvctl> ");
    if (text == nullptr) return false;
    line = text;
    std::free(text);
    if (line.find_first_not_of(" \t") != std::string::npos) add_history(line.c_str());
    return true;
}

std::string HistoryFile() {
    const char *home = std::getenv("HOME");
    return home != nullptr && *home != '\0' ? std::string(home) + "/.tvctl_history" : "";
}

}  // namespace

int RunShell(Session &session) {
    const bool interactive = isatty(STDIN_FILENO) == 1;
    const std::string history = interactive ? HistoryFile() : "";
    if (!history.empty()) read_history(history.c_str());
    if (interactive)
        std::printf("tvctl shell: one or more commands a line; \"help\" lists them, \"quit\" ends.\n");

    int status = kExitOk;
    std::string line;
    while (NextLine(interactive, line)) {
        std::string error;
        std::optional<Words> words = TokenizeLine(line, &error);
        if (!words) {
            std::fprintf(stderr, "tvctl: %s\n", error.c_str());
            status = kExitUsage;
            continue;
        }
        if (words->empty()) continue;
        const std::string &first = words->front();
        if (first == "quit" || first == "exit") break;
        if (first == "help") {
            if (words->size() == 1) {
                std::printf("Commands:\n%s", CommandList().c_str());
            } else {
                ParsedCommand help = ParseCommand({(*words)[1], "--help"});
                std::fputs(help.help.empty() ? (help.error + "\n").c_str() : help.help.c_str(), stdout);
            }
            continue;
        }
        int result = RunWords(session, SplitCommands(*words, [](std::string_view w) { return IsCommandName(w); }));
        if (result != kExitOk) status = result;
    }
    if (!history.empty()) write_history(history.c_str());
    return status;
}

}  // namespace tvctl
