// The shell: commands line by line on one loaded library. On a terminal it
// prompts and keeps a history (libedit); from a pipe it reads a script
// quietly.
#include <editline/readline.h>
#include <fmt/format.h>
#include <sys/stat.h>
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

// The history file, or "" for none. Only a regular file (or none yet) is
// used: reading or writing a FIFO or a device would stall the shell.
std::string HistoryFile() {
    const char *home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') return "";
    std::string file = std::string(home) + "/.tvctl_history";
    struct stat info {};
    if (stat(file.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        std::fprintf(stderr, "tvctl: %s is not a regular file; the shell keeps no history\n", file.c_str());
        return "";
    }
    return file;
}

// An error of the shell itself (not of a command): on standard error, or in
// JSON mode as an object like a command's.
void ShellError(const Session &session, const std::string &command, const std::string &error) {
    if (!session.Out().Json()) {
        std::fprintf(stderr, "tvctl: %s\n", error.c_str());
        return;
    }
    Reply reply;
    reply.Fail(error, kExitUsage);
    session.Out().Finish(command, reply);
}

}  // namespace

int RunShell(Session &session) {
    const bool interactive = isatty(STDIN_FILENO) == 1;
    const std::string history = interactive ? HistoryFile() : "";
    if (!history.empty()) read_history(history.c_str());
    if (interactive && !session.Out().Json())
        std::printf("tvctl shell: one or more commands a line; \"help\" lists them, \"quit\" ends.\n");

    int status = kExitOk;
    std::string line;
    while (NextLine(interactive, line)) {
        std::string error;
        std::optional<Words> words = TokenizeLine(line, &error);
        if (!words) {
            ShellError(session, "", error);
            status = kExitUsage;
            continue;
        }
        if (words->empty()) continue;
        const std::string &first = words->front();
        if (first == "quit" || first == "exit") break;
        if (first == "help") {
            const Console &out = session.Out();
            if (words->size() == 1) {
                out.Help("help", "Commands:\n" + CommandList());
                continue;
            }
            ParsedCommand help = ParseCommand({(*words)[1], "--help"});
            if (!help.help.empty())
                out.Help((*words)[1], help.help);
            else if (out.Json())
                ShellError(session, "help", help.error);
            else
                std::printf("%s\n", help.error.c_str());
            continue;
        }
        int result = RunWords(session, SplitCommands(*words, [](std::string_view w) { return IsCommandName(w); }));
        if (result != kExitOk) status = result;
    }
    if (!history.empty()) write_history(history.c_str());
    return status;
}

}  // namespace tvctl
