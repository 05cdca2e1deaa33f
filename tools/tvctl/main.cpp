// tvctl: the TV application on the command line. Loads the library through
// the host loader, as a TV application does, and runs the commands given.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <memory>
#include <optional>

#include "command_line.h"
#include "commands.h"
#include "console.h"
#include "global_options.h"
#include "session.h"
#include "user_settings.h"

namespace tvctl {
int RunShell(Session &session);
}

namespace {

using namespace tvctl;

const char *kFooter =
    "Several commands may follow one another; they run in order on one loaded library, and the\n"
    "run stops at the first that fails:\n"
    "    tvctl source cable channel 7 get\n"
    "A word that names a command starts a new command. To pass such a word as an argument, separate\n"
    "the commands with -- or ';' instead (then only those separate them):\n"
    "    tvctl source cable -- channel 7 -- get\n"
    "\"tvctl COMMAND --help\" explains a command. \"tvctl shell\" reads commands line by line (the same\n"
    "rules per line; \"help\", \"quit\").\n"
    "\n"
    "The library is tvcore.so, loaded with LoadLibraryA(\"tvcore.dll\") from the module directory next\n"
    "to tvctl (<bindir>/../lib/tvcore) unless TVHOST_PATH says otherwise. The bus is the simulated card\n"
    "unless --bus i2cdev or --bus v4l2. The mixer is the one any program that loads the library gets:\n"
    "the drivers TVHOST_MIXERS names, else the installation's default (the system's mixer through ALSA\n"
    "where tvcore was built with ALSA, else the simulated one); --mixer sim, alsa or v4l2 chooses one\n"
    "for the run. The library's debug output is collected and shown when a load fails (or goes where\n"
    "TVHOST_DEBUG says).\n"
    "\n"
    "Results go to standard output; notes, --trace and progress to standard error.\n"
    "Exit status: 0 done; 1 a command was refused or failed; 2 the command line is wrong (an unknown\n"
    "command or option, a missing argument, a word that is not of the form asked for); 3 the library\n"
    "could not be loaded; 130 Ctrl-C stopped a command. A channel tuned without lock is done (0),\n"
    "reported as no lock. See tvctl(1).";

const char *kAbout =
    "tvctl - the TV application on the command line: tunes channels, sets the picture and the\n"
    "sound, reads and writes the card's I2C registers, scans the channel plans and checks the board\n"
    "configuration file, through the tvcore library.";

// The usage line of tvctl itself: options, then one or more commands.
class TvctlFormatter : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App *, std::string) const override {
        return "Usage: tvctl [OPTIONS] COMMAND [ARGS...] [COMMAND [ARGS...]]...\n";
    }
};

// A word before the first command that is no option of tvctl (nor an
// option's value) can only be a misspelt command.
std::string StrayWord(const Words &globals) {
    for (size_t i = 0; i < globals.size(); ++i) {
        const std::string &word = globals[i];
        if (word == "--help" || word == "-h" || word == "--version") return "";  // answered before anything else
        if (GlobalOptionTakesValue(word)) ++i;
        else if (word.rfind('-', 0) != 0) return word;
    }
    return "";
}

constexpr const char *kSeeHelp = "; see tvctl --help";

int UsageError(const Console &console, const std::string &sentence) {
    Reply reply;
    reply.Fail(sentence, kExitUsage);
    console.Finish("", reply);
    return kExitUsage;
}

void ShowVersion(const Console &console) {
    if (!console.Json()) return console.Say(std::string("tvctl ") + TVCTL_VERSION);
    Reply reply;
    reply.data["version"] = TVCTL_VERSION;
    console.Finish("", reply);
}

// Parses tvctl's options into `choices`; answers an exit status when that
// is all the run does (help, version, a usage error).
std::optional<int> ParseGlobals(Words globals, GlobalChoices &choices, const Console &early) {
    CLI::App app(kAbout, "tvctl");
    app.formatter(std::make_shared<TvctlFormatter>());
    DefineGlobalOptions(app, choices);
    app.set_version_flag("--version", std::string("tvctl ") + TVCTL_VERSION);
    app.footer(std::string("Commands:\n") + CommandList() + "\n" + kFooter);
    if (std::string stray = StrayWord(globals); !stray.empty())
        return UsageError(early, "unknown command \"" + stray + "\"" + kSeeHelp);
    std::reverse(globals.begin(), globals.end());  // CLI11 takes the arguments last first
    try {
        app.parse(globals);
    } catch (const CLI::CallForHelp &) {
        early.Help("", app.help());
        return kExitOk;
    } catch (const CLI::CallForVersion &) {
        ShowVersion(early);
        return kExitOk;
    } catch (const CLI::ParseError &error) {
        std::string sentence = ParseErrorSentence("tvctl", app, error);
        if (sentence.rfind("tvctl: ", 0) == 0) sentence.erase(0, 7);  // the error line starts with "tvctl: " itself
        return UsageError(early, sentence + kSeeHelp);
    } catch (const RefusedWord &refused) {
        return UsageError(early, refused.what() + std::string(kSeeHelp));
    }
    if (std::string problem = SettleDrivers(choices); !problem.empty()) return UsageError(early, problem);
    ApplySettings(choices);
    for (const std::string &problem : choices.options.defaults.problems) std::fprintf(stderr, "note: %s\n", problem.c_str());
    return std::nullopt;
}

int RunTvctl(int argc, char **argv) {
    Words words(argv + 1, argv + argc);
    // tvctl's own options come before the first command.
    auto firstCommand = std::find_if(words.begin(), words.end(), IsCommandName);
    Words globals(words.begin(), firstCommand);
    Words rest(firstCommand, words.end());
    // Answers before the first command follow --json as well, wherever it
    // stands among tvctl's options (the parse may stop before it).
    const Console early(std::find(globals.begin(), globals.end(), kJsonOption) != globals.end());
    GlobalChoices choices;
    if (std::optional<int> status = ParseGlobals(globals, choices, early)) return *status;
    if (rest.empty()) return UsageError(early, std::string("no command given") + kSeeHelp);

    Console console(choices.options.json);
    SetShellRunner(RunShell);
    Session session(choices.options, console);
    return RunWords(session, SplitCommands(rest, IsCommandName));
}

// Says what escaped the commands: with --json (only tvctl's own option has
// that name) as a JSON object, otherwise as a sentence; plain text if even
// that fails.
void ReportEscaped(int argc, char **argv, const char *sentence) noexcept {
    try {
        const bool json = std::any_of(argv + 1, argv + argc, [](std::string_view word) { return word == kJsonOption; });
        Reply reply;
        reply.Fail(sentence, kExitFailed);
        Console(json).Finish("", reply);
    } catch (...) {
        std::fprintf(stderr, "tvctl: %s\n", sentence);
    }
}

}  // namespace

// What escapes the commands (memory running out, above all) ends the program
// with a sentence and a failure code rather than an abort.
int main(int argc, char **argv) {
    try {
        return RunTvctl(argc, argv);
    } catch (const std::exception &error) {
        ReportEscaped(argc, argv, error.what());
    } catch (...) {
        ReportEscaped(argc, argv, "stopped by an unexpected error");
    }
    return kExitFailed;
}
