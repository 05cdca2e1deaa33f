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
#include <optional>
#include <string>

#include "command_line.h"
#include "commands.h"
#include "interrupt.h"
#include "session.h"

namespace tvctl {

namespace {

// The history keeps this many lines.
constexpr int kHistoryLines = 1000;

// The next line; false at the end of the input. Ctrl-C at the prompt drops
// the line being typed and prompts again. Each line goes into the history
// file as soon as it is entered, so a session that ends badly keeps it.
bool NextLine(bool interactive, const std::string &history, std::string &line) {
    if (!interactive) return static_cast<bool>(std::getline(std::cin, line));
    for (;;) {
        InterruptGuard::Clear();
        char *text = readline("tvctl> ");
        if (InterruptGuard::Pending()) {
            std::free(text);
            std::fputs("^C\n", stdout);
            std::fflush(stdout);
            continue;
        }
        if (text == nullptr) return false;
        line = text;
        std::free(text);
        break;
    }
    if (line.find_first_not_of(" \t") != std::string::npos) {
        add_history(line.c_str());
        if (!history.empty()) write_history(history.c_str());
    }
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
    stifle_history(kHistoryLines);
    // Ctrl-C cancels the line at the prompt (and stops a scan), not the shell.
    std::optional<InterruptGuard> guard;
    if (interactive) guard.emplace();
    session.inShell = true;
    if (interactive && !session.Out().Json())
        std::printf("tvctl shell: one or more commands a line; \"help\" lists them, \"quit\" ends.\n");

    int status = kExitOk;
    std::string line;
    while (NextLine(interactive, history, line)) {
        std::string error;
        std::optional<Words> words = TokenizeLine(line, &error);
        if (!words) {
            ShellError(session, "", "the line has an " + error + HelpPointer(session, ""));
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
            if (!help.help.empty()) {
                out.Help((*words)[1], help.help);
            } else {
                ShellError(session, "help", help.error + HelpPointer(session, ""));
                status = kExitUsage;
            }
            continue;
        }
        int result = RunWords(session, SplitCommands(*words, IsCommandName));
        if (result != kExitOk) status = result;
    }
    session.inShell = false;
    return status;
}

}  // namespace tvctl
