#include "commands.h"

#include <algorithm>
#include <cctype>

#include "global_options.h"
#include "plan_info.h"

namespace tvctl {

namespace {

ShellRunner &TheShellRunner() {
    static ShellRunner runner;
    return runner;
}

class ShellCommand : public Command {
public:
    explicit ShellCommand(CLI::App & /*app*/) {}
    bool Traced() const override { return false; }
    void Run(Session &session, Reply &reply) override {
        if (!TheShellRunner()) {
            reply.Fail("the shell is already running");
            return;
        }
        ShellRunner runner = std::move(TheShellRunner());
        TheShellRunner() = nullptr;  // no shell inside the shell
        int status = runner(session);
        TheShellRunner() = std::move(runner);
        if (status != kExitOk) reply.Fail("a command in the shell failed", status);
    }
};

std::vector<CommandEntry> BuildTable() {
    std::vector<CommandEntry> table;
    for (auto family : {TourCommands, TvCommands, CardCommands, TuningCommands, StationCommands, ScanCommands, PlanCommands,
                        I2cCommands, AudioCommands, ConfigCommands, SnapshotCommands, StandardCommands, DeviceCommands,
                        WatchCommands})
        for (CommandEntry &entry : family()) table.push_back(std::move(entry));
    table.push_back(Entry<ShellCommand>("shell"));
    return table;
}

// The bus log of one command, after it ran (--trace).
void ShowTrace(Session &session, uint64_t mark, Reply &reply) {
    if (session.Card() == nullptr) {
        if (session.Loaded()) Note(session, reply, "no bus log: the bus is not the simulated card");
        return;
    }
    uint64_t dropped = 0;
    std::vector<TvSimTransaction> entries = session.CardLogSince(mark, &dropped);
    if (session.Out().Json()) {
        nlohmann::ordered_json bus = nlohmann::ordered_json::array();
        for (const TvSimTransaction &entry : entries) bus.push_back(TransactionJson(entry));
        reply.data["bus"] = bus;
        if (dropped) reply.data["busDropped"] = dropped;
        return;
    }
    const Console &out = session.Out();
    out.Tell("bus log: {} transaction{}", entries.size() + dropped, entries.size() + dropped == 1 ? "" : "s");
    if (dropped) out.Tell("  ({} earlier ones have left the card's log)", dropped);
    constexpr size_t kHead = 60, kTail = 20;
    uint64_t start = entries.empty() ? 0 : entries.front().timeUs;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries.size() > kHead + kTail && i == kHead) {
            out.Tell("  ... {} more ...", entries.size() - kHead - kTail);
            i = entries.size() - kTail;
        }
        out.Tell("{}", FormatTransaction(entries[i], start));
    }
}

}  // namespace

const std::vector<CommandEntry> &CommandTable() {
    static const std::vector<CommandEntry> table = BuildTable();
    return table;
}

bool IsCommandName(std::string_view word) {
    const auto &table = CommandTable();
    return std::any_of(table.begin(), table.end(), [&](const CommandEntry &entry) { return word == entry.name; });
}

std::string CommandList() {
    std::string text;
    for (const CommandEntry &entry : CommandTable()) text += fmt::format("  {:<9} {}\n", entry.name, entry.summary);
    return text;
}

std::string HelpPointer(const Session &session, std::string_view command) {
    if (session.inShell) return command.empty() ? "; see help" : fmt::format("; see help {}", command);
    return command.empty() ? "; see tvctl --help" : fmt::format("; see tvctl {} --help", command);
}

namespace {

// The first required argument that `app` (or the subcommand chosen in it)
// was not given; nullptr when none is missing.
const CLI::Option *MissingArgument(const CLI::App &app) {
    for (const CLI::Option *option : app.get_options())
        if (option->get_required() && option->count() == 0) return option;
    for (const CLI::App *sub : app.get_subcommands())
        if (const CLI::Option *missing = MissingArgument(*sub)) return missing;
    return nullptr;
}

std::string Joined(const std::vector<std::string> &words) {
    std::string text;
    for (const std::string &word : words) text += (text.empty() ? "" : " ") + word;
    return text;
}

// The name of a command with the subcommand chosen in it ("i2c read").
std::string ChosenName(const CLI::App &app, std::string name) {
    for (const CLI::App *sub : app.get_subcommands()) return ChosenName(*sub, name + " " + sub->get_name());
    return name;
}

}  // namespace

CLI::Option *BindChoice(CLI::App &app, const std::string &name, std::string &field,
                        std::initializer_list<const char *> words, const std::string &help) {
    std::vector<std::pair<const char *, std::string>> choices;
    for (const char *word : words) choices.emplace_back(word, word);
    return BindChoice(app, name, field, std::move(choices), help);
}

std::function<Parsed<uint32_t>(const std::string &)> InRange(std::string option, uint32_t low, uint32_t high) {
    return [option = std::move(option), low, high](const std::string &word) -> Parsed<uint32_t> {
        std::optional<uint64_t> number = ParseNumber(word);
        if (!number || *number < low || *number > high)
            throw RefusedWord(fmt::format("{} must be from {} to {}, not {}", option, low, high, word), true);
        return {static_cast<uint32_t>(*number), "", ""};
    };
}

std::function<std::string(const std::string &)> FileName(std::string option, bool aboutOption) {
    return [option = std::move(option), aboutOption](const std::string &word) {
        if (word.empty()) throw RefusedWord(option + ": an empty file name names no file", aboutOption);
        return word;
    };
}

PlanInfo ReadPlan(const std::string &word) {
    return Known(PlanByName(word), fmt::format("unknown channel plan \"{}\" ({}; or cable, broadcast, cable-irc, cable-hrc)", word,
                                         PlanNames()));
}

std::string ParseErrorSentence(std::string_view command, const CLI::App &app, const CLI::ParseError &error) {
    if (dynamic_cast<const CLI::RequiredError *>(&error) != nullptr) {
        if (const CLI::Option *missing = MissingArgument(app))
            return fmt::format("{} needs its argument \"{}\"", command, missing->get_name());
        return fmt::format("{} needs one of its subcommands", command);
    }
    if (dynamic_cast<const CLI::ExtrasError *>(&error) != nullptr)
        return fmt::format("{} does not take {}", command, Joined(app.remaining(true)));
    if (dynamic_cast<const CLI::ConversionError *>(&error) != nullptr)
        return fmt::format("{}: a value is not of the kind the option takes ({})", command, error.what());
    std::string what = error.what();
    if (!what.empty()) what[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(what[0])));
    return fmt::format("{}: {}", command, what);
}

ParsedCommand ParseCommand(const Words &words) {
    ParsedCommand parsed;
    const auto &table = CommandTable();
    auto entry = std::find_if(table.begin(), table.end(),
                             [&](const CommandEntry &e) { return !words.empty() && words.front() == e.name; });
    if (entry == table.end()) {
        parsed.error = words.empty() ? "no command given" : "unknown command \"" + words.front() + "\"";
        if (!words.empty() && words.front().rfind("--", 0) == 0)
            parsed.error += " (options of tvctl itself go before the first command)";
        return parsed;
    }
    parsed.name = entry->name;
    CLI::App app(entry->summary, std::string("tvctl ") + entry->name);
    app.set_help_flag("-h,--help", "show this command's help");
    std::unique_ptr<Command> command = entry->define(app);
    ApplyHelpFooters(app, entry->name);
    std::vector<std::string> args(words.begin() + 1, words.end());
    std::reverse(args.begin(), args.end());  // CLI11 takes the arguments last first
    try {
        app.parse(args);
    } catch (const CLI::CallForHelp &) {
        parsed.help = app.help();  // a nested command's own help when it was asked for (i2c read --help)
        return parsed;
    } catch (const CLI::ParseError &error) {
        parsed.error = ParseErrorSentence(entry->name, app, error);
        auto global = std::find_if(words.begin(), words.end(), [](const std::string &w) { return IsGlobalOption(w); });
        if (global != words.end())
            parsed.error += fmt::format(" ({} is an option of tvctl itself: put it before the first command)", *global);
        return parsed;
    } catch (const RefusedWord &refused) {
        parsed.error = refused.aboutOption ? fmt::format("{}: {}", entry->name, refused.what()) : refused.what();
        return parsed;
    }
    parsed.error = command->Validate();
    if (!parsed.error.empty()) return parsed;
    std::string name = command->Name();
    parsed.name = name.empty() ? ChosenName(app, entry->name) : name;
    parsed.command = std::move(command);
    return parsed;
}

namespace {

// Runs one parsed command and finishes its answer; its reply's exit status.
int RunParsed(Session &session, const std::string &name, Command &command) {
    Reply reply;
    uint64_t mark = session.Loaded() ? session.CardLogMark() : 0;
    session.TakeDebugLines();  // what came before this command is not its own
    command.Run(session, reply);
    if (std::string text = command.Text(reply.data); !text.empty()) session.Out().Say(text);
    if (session.Options().trace && command.Traced()) {
        // The bus log, and the debug lines the command caused.
        ShowTrace(session, mark, reply);
        std::vector<std::string> debug = session.TakeDebugLines();
        if (session.Out().Json() && !debug.empty()) reply.data["debug"] = debug;
        for (const std::string &line : debug) session.Out().Tell("debug: {}", line);
    }
    session.Out().Finish(name, reply);
    return reply.ok ? kExitOk : reply.exitCode;
}

}  // namespace

int RunWords(Session &session, const std::vector<Words> &commands) {
    std::vector<ParsedCommand> parsed;
    for (const Words &words : commands) {
        ParsedCommand one = ParseCommand(words);
        if (!one.help.empty()) {
            session.Out().Help(words.front(), one.help);
            return kExitOk;
        }
        if (!one.command) {
            Reply reply;
            reply.Fail(one.error + HelpPointer(session, one.name), kExitUsage);
            session.Out().Finish(words.empty() ? "" : words.front(), reply);
            return kExitUsage;
        }
        parsed.push_back(std::move(one));
    }
    for (ParsedCommand &one : parsed)
        if (int status = RunParsed(session, one.name, *one.command); status != kExitOk) return status;
    return kExitOk;
}

Reply RunOneCommand(Session &session, const Words &words) {
    Reply reply;
    ParsedCommand one = ParseCommand(words);
    if (!one.command) {
        reply.Fail(one.error.empty() ? "help was asked for" : one.error, kExitUsage);
        return reply;
    }
    session.TakeDebugLines();
    one.command->Run(session, reply);
    return reply;
}

const Record &Field(const Record &record, const char *key) {
    static const Record none;
    auto found = record.find(key);
    return found == record.end() ? none : *found;
}

void SetShellRunner(ShellRunner runner) { TheShellRunner() = std::move(runner); }

void Note(Session &session, Reply &reply, std::string text) {
    session.Out().Tell("note: {}", text);
    reply.notes.push_back(std::move(text));
}

}  // namespace tvctl
