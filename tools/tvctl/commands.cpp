#include "commands.h"

#include <algorithm>
#include <cctype>

#include "bus_words.h"

namespace tvctl {

namespace {

ShellRunner &TheShellRunner() {
    static ShellRunner runner;
    return runner;
}

class ShellCommand : public Command {
public:
    std::string Name() const override { return "shell"; }
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
                        I2cCommands, AudioCommands, ConfigCommands, SnapshotCommands, WatchCommands})
        for (CommandEntry &entry : family()) table.push_back(std::move(entry));
    table.push_back({"shell",
                     "read commands line by line (a prompt with history on a terminal; a script from a pipe)",
                     [](CLI::App &) { return std::make_unique<ShellCommand>(); }});
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

// "{a,b,c}" -> "a, b, c"
std::string ListOfSet(std::string set) {
    if (set.size() >= 2 && set.front() == '{' && set.back() == '}') set = set.substr(1, set.size() - 2);
    std::string out;
    for (char c : set) out += c == ',' ? std::string(", ") : std::string(1, c);
    return out;
}

}  // namespace

std::string ParseErrorSentence(std::string_view command, const CLI::ParseError &error) {
    std::string what = error.what();
    // "--state: yes not in {on,off}" (a choice) and "--grace: Value 200 not in range 0 to 150"
    size_t colon = what.find(": ");
    size_t notIn = what.find(" not in {");
    if (colon != std::string::npos && notIn != std::string::npos && notIn > colon)
        return fmt::format("{}: {} must be one of {}, not \"{}\"", command, what.substr(0, colon),
                           ListOfSet(what.substr(notIn + 8)), what.substr(colon + 2, notIn - colon - 2));
    size_t range = what.find(" not in range ");
    if (colon != std::string::npos && range != std::string::npos && what.compare(colon + 2, 6, "Value ") == 0)
        return fmt::format("{}: {} must be from {}, not {}", command, what.substr(0, colon),
                           what.substr(range + 14),
                           what.substr(colon + 8, range - colon - 8));
    if (dynamic_cast<const CLI::RequiredError *>(&error) != nullptr && what.size() > 12 &&
        what.compare(what.size() - 12, 12, " is required") == 0)
        return fmt::format("{} needs its argument \"{}\"", command, what.substr(0, what.size() - 12));
    if (what.rfind("A subcommand is required", 0) == 0) return fmt::format("{} needs one of its subcommands", command);
    if (what.rfind("The following argument", 0) == 0) {
        size_t at = what.find(": ");
        return fmt::format("{} does not take {}", command, at == std::string::npos ? what : what.substr(at + 2));
    }
    if (dynamic_cast<const CLI::ConversionError *>(&error) != nullptr)
        return fmt::format("{}: a value is not of the kind the option takes ({})", command, what);
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
    std::vector<std::string> args(words.begin() + 1, words.end());
    std::reverse(args.begin(), args.end());  // CLI11 takes the arguments last first
    try {
        app.parse(args);
    } catch (const CLI::CallForHelp &) {
        parsed.help = app.help();  // a nested command's own help when it was asked for (i2c read --help)
        return parsed;
    } catch (const CLI::ParseError &error) {
        parsed.error = ParseErrorSentence(entry->name, error);
        for (const std::string &word : words)
            if (word == "--json" || word == "--trace" || word == "--bus" || word == "--mixer") {
                parsed.error += fmt::format(" ({} is an option of tvctl itself: put it before the first command)", word);
                break;
            }
        return parsed;
    }
    parsed.error = command->Validate();
    if (parsed.error.empty()) parsed.command = std::move(command);
    return parsed;
}

int RunWords(Session &session, const std::vector<Words> &commands) {
    std::vector<std::unique_ptr<Command>> parsed;
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
        parsed.push_back(std::move(one.command));
    }
    for (auto &command : parsed) {
        Reply reply;
        uint64_t mark = session.Loaded() ? session.CardLogMark() : 0;
        session.TakeDebugLines();  // what came before this command is not its own
        command->Run(session, reply);
        if (session.Options().trace && command->Traced()) {
            ShowTrace(session, mark, reply);
            std::vector<std::string> debug = session.TakeDebugLines();
            if (!debug.empty()) {
                if (session.Out().Json()) reply.data["debug"] = debug;
                for (const std::string &line : debug) session.Out().Tell("debug: {}", line);
            }
        }
        session.Out().Finish(command->Name(), reply);
        if (!reply.ok) return reply.exitCode;
    }
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

void SetShellRunner(ShellRunner runner) { TheShellRunner() = std::move(runner); }

void Note(Session &session, Reply &reply, std::string text) {
    session.Out().Tell("note: {}", text);
    reply.notes.push_back(std::move(text));
}

}  // namespace tvctl
