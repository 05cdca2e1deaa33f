// tvctl's commands: how each is defined on the command line (CLI11), and the
// loop that runs a list of them on one session.
//
// A command parses its words once: its constructor binds its arguments and
// options straight into typed fields (Bind, BindEach, BindChoice, InRange), so a
// word that is not of the form asked for is a usage error before anything
// runs, and Run works on values. Run answers one record (reply.data); Text
// renders that record for the terminal, and --json prints the record itself.
// Its name comes from the table (with the subcommand chosen: "i2c read").
// A command that prints as it goes and names itself (Name, Validate) still
// works: Text then answers "".
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "command_line.h"
#include "console.h"
#include "help_text.h"
#include "numbers.h"
#include "session.h"

namespace tvctl {

using Record = nlohmann::ordered_json;

// The record's field `key`; null (which lists as empty) when it has none.
const Record &Field(const Record &record, const char *key);

class Command {
public:
    virtual ~Command() = default;
    // The command's name as scripts see it; "" for the table's name.
    virtual std::string Name() const { return ""; }
    // Checks the form of the arguments once they are parsed: "" when they
    // can be understood, else the sentence that says why not (a usage
    // error: nothing runs).
    virtual std::string Validate() const { return ""; }
    virtual void Run(Session &session, Reply &reply) = 0;
    // The record Run answered, as text for the terminal ("" for nothing).
    virtual std::string Text(const Record & /*record*/) const { return ""; }
    // Whether the bus log is worth showing after it (--trace).
    virtual bool Traced() const { return true; }
};

struct CommandEntry {
    const char *name;
    std::string summary;  // its line in tvctl --help, from the help text
    // Declares the command's arguments and options on `app`, bound to the
    // returned command, which the parse then fills in.
    std::function<std::unique_ptr<Command>(CLI::App &app)> define;
};

// The table entry of a command: one whose constructor takes the CLI11 app
// declares its words there; one without takes none.
template <typename C>
CommandEntry Entry(const char *name) {
    if constexpr (std::is_constructible_v<C, CLI::App &>)
        return {name, HelpSummary(name), [](CLI::App &app) { return std::make_unique<C>(app); }};
    else
        return {name, HelpSummary(name), [](CLI::App &) { return std::make_unique<C>(); }};
}

// A word refused while the words are parsed: the sentence says why. With
// `aboutOption` the sentence names an option and is said as the command's.
struct RefusedWord : std::runtime_error {
    explicit RefusedWord(const std::string &sentence, bool aboutOption = false)
        : std::runtime_error(sentence), aboutOption(aboutOption) {}
    bool aboutOption;
};

// A word's reading: the value, or the refusal (Parsed, numbers.h).
template <typename T>
T Take(Parsed<T> parsed) {
    if (!parsed.value) throw RefusedWord(parsed.error);
    return std::move(*parsed.value);
}
// A reading as the field it goes into: as it is, or unwrapped from Parsed.
template <typename T, typename R>
T Into(R result) {
    if constexpr (std::is_constructible_v<T, R>) return T(std::move(result));
    else return Take(std::move(result));
}

// The value a word names, or `refusal`, which ends the parse.
template <typename T>
T Known(std::optional<T> value, const std::string &refusal) {
    if (!value) throw RefusedWord(refusal);
    return std::move(*value);
}

// Binds the argument or option `name` straight into `field`: its word goes
// through `parse` (a word -> the value, or a Parsed<T>), whose refusal ends
// the parse.
template <typename T, typename Parse>
CLI::Option *Bind(CLI::App &app, const std::string &name, T &field, Parse parse, const std::string &help) {
    return app.add_option_function<std::string>(
        name, [&field, parse](const std::string &word) { field = Into<T>(parse(word)); }, help);
}

// The same for an argument that takes one word or more, each into `fields`.
template <typename T, typename Parse>
CLI::Option *BindEach(CLI::App &app, const std::string &name, std::vector<T> &fields, Parse parse,
                      const std::string &help) {
    return app.add_option_function<std::vector<std::string>>(
        name,
        [&fields, parse](const std::vector<std::string> &words) {
            for (size_t i = 0; i < words.size(); ++i) fields.push_back(Into<T>(parse(words[i], i)));
        },
        help);
}

// Binds an argument or option that takes one of a few words (any case),
// each standing for its value; a refusal lists the words.
template <typename T>
CLI::Option *BindChoice(CLI::App &app, const std::string &name, T &field,
                        std::vector<std::pair<const char *, T>> choices, const std::string &help) {
    std::vector<const char *> words;
    words.reserve(choices.size());
    for (const auto &choice : choices) words.push_back(choice.first);
    auto parse = [name, words, choices = std::move(choices)](const std::string &word) {
        for (const auto &[choice, value] : choices)
            if (CLI::detail::to_lower(word) == choice) return value;
        throw RefusedWord(fmt::format("{} must be one of {}, not \"{}\"", name, fmt::join(words, ", "), word), true);
    };
    return Bind(app, name, field, parse, help)->type_name(fmt::format("TEXT:{{{}}}", fmt::join(words, ",")));
}
// The same for words that are their own values.
CLI::Option *BindChoice(CLI::App &app, const std::string &name, std::string &field,
                        std::initializer_list<const char *> words, const std::string &help);

// A reader of a whole number from `low` to `high`.
std::function<Parsed<uint32_t>(const std::string &)> InRange(std::string option, uint32_t low, uint32_t high);

// A reader of a file name for `option`: an empty one names no file (it is
// not taken for the default) and is refused.
std::function<std::string(const std::string &)> FileName(std::string option, bool aboutOption = true);

// A channel plan by name (plan_info.h), or the refusal that lists them.
struct PlanInfo;
PlanInfo ReadPlan(const std::string &word);

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
    std::string name;  // the command's name when it is one ("" for an unknown word), with its subcommand
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

// A parse error of `command` (whose words `app` parsed) as a sentence.
std::string ParseErrorSentence(std::string_view command, const CLI::App &app, const CLI::ParseError &error);

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
std::vector<CommandEntry> StandardCommands(); // standard
std::vector<CommandEntry> DeviceCommands();   // devices
std::vector<CommandEntry> WatchCommands();    // watch

// A note for the user about an accepted request: printed now on standard
// error, and kept for the JSON answer.
void Note(Session &session, Reply &reply, std::string text);

}  // namespace tvctl
