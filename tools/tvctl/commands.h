// tvctl's commands: how each is defined on the command line (CLI11), and the
// loop that runs a list of them on one session.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "console.h"
#include "session.h"

namespace tvctl {

class Command {
public:
    virtual ~Command() = default;
    // The command's name as scripts see it ("channel", "i2c read").
    virtual std::string Name() const = 0;
    // Checks the form of the arguments once they are parsed: "" when they
    // can be understood, else the sentence that says why not (a usage
    // error: nothing runs).
    virtual std::string Validate() const { return ""; }
    virtual void Run(Session &session, Reply &reply) = 0;
    // Whether the bus log is worth showing after it (--trace).
    virtual bool Traced() const { return true; }
};

struct CommandEntry {
    const char *name;
    const char *summary;
    // Declares the command's arguments and options on `app`, bound to the
    // returned command, which the parse then fills in.
    std::function<std::unique_ptr<Command>(CLI::App &app)> define;
};

// Every command, in the order --help lists them.
const std::vector<CommandEntry> &CommandTable();
bool IsCommandName(std::string_view word);
// The commands with their summaries, one a line, for help texts.
std::string CommandList();

// One command's words parsed: the command, or the help text it asked for,
// or the sentence that says what is wrong with it.
struct ParsedCommand {
    std::unique_ptr<Command> command;
    std::string help;
    std::string error;
    std::string name;  // the command's name when it is one ("" for an unknown word)
};
ParsedCommand ParseCommand(const Words &words);

// Parses every command first (nothing runs when one is wrong), then runs
// them in order on `session`, stopping at the first that fails. Answers the
// exit status: 0, or the failed command's.
int RunWords(Session &session, const std::vector<Words> &commands);

// Parses and runs one command's words on `session` for a caller that shows
// the answer itself (the watch page's API): the reply holds the command's
// record (`data`) and, when it failed, its sentence; a usage error fails
// with kExitUsage. Nothing is finished on the console.
Reply RunOneCommand(Session &session, const Words &words);

// Where a usage error points for help: "; see tvctl CMD --help" (or, in the
// shell, "; see help CMD"); without a command, tvctl's own help.
std::string HelpPointer(const Session &session, std::string_view command);

// A CLI11 parse error of `command` as a sentence.
std::string ParseErrorSentence(std::string_view command, const CLI::ParseError &error);

// The shell: set by the program, run by the "shell" command.
using ShellRunner = std::function<int(Session &session)>;
void SetShellRunner(ShellRunner runner);

// Definitions of the command families, one file each.
std::vector<CommandEntry> TvCommands();      // source, picture
std::vector<CommandEntry> CardCommands();    // get, reset
std::vector<CommandEntry> TuningCommands();  // channel, freq, fine
std::vector<CommandEntry> StationCommands(); // tune, stations
std::vector<CommandEntry> ScanCommands();    // scan
std::vector<CommandEntry> PlanCommands();    // plans
std::vector<CommandEntry> I2cCommands();     // i2c
std::vector<CommandEntry> AudioCommands();   // audio
std::vector<CommandEntry> ConfigCommands();  // config
std::vector<CommandEntry> TourCommands();    // tour
std::vector<CommandEntry> SnapshotCommands(); // snapshot
std::vector<CommandEntry> WatchCommands();    // watch

// A note for the user about an accepted request: printed now on standard
// error, and kept for the JSON answer.
void Note(Session &session, Reply &reply, std::string text);

}  // namespace tvctl
