// tvctl: the TV application on the command line. Loads the library through
// the host loader, as a TV application does, and runs the commands given.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <memory>

#include "command_line.h"
#include "commands.h"
#include "console.h"
#include "session.h"

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
    "unless --bus i2cdev or --bus v4l2; the mixer is the simulated one unless --mixer alsa or --mixer\n"
    "v4l2 (or TVHOST_MIXERS). The library's debug output is collected and shown when a load fails (or\n"
    "goes where TVHOST_DEBUG says).\n"
    "\n"
    "Results go to standard output; notes, --trace and progress to standard error.\n"
    "Exit status: 0 done; 1 a command was refused or failed; 2 the command line is wrong (an unknown\n"
    "command or option, a missing argument, a word that is not of the form asked for); 3 the library\n"
    "could not be loaded; 130 Ctrl-C stopped a command. A channel tuned without lock is done (0),\n"
    "reported as no lock. See tvctl(1).";

// The usage line of tvctl itself: options, then one or more commands.
class TvctlFormatter : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App *, std::string) const override {
        return "Usage: tvctl [OPTIONS] COMMAND [ARGS...] [COMMAND [ARGS...]]...\n";
    }
};

int RunTvctl(int argc, char **argv) {
    Words words(argv + 1, argv + argc);
    // tvctl's own options come before the first command.
    auto firstCommand = std::find_if(words.begin(), words.end(), [](const std::string &w) { return IsCommandName(w); });
    Words globals(words.begin(), firstCommand);
    Words rest(firstCommand, words.end());

    CLI::App app("tvctl - the TV application on the command line: tunes channels, sets the picture and the\n"
                 "sound, reads and writes the card's I2C registers, scans the channel plans and checks the board\n"
                 "configuration file, through the tvcore library.",
                 "tvctl");
    app.formatter(std::make_shared<TvctlFormatter>());
    GlobalOptions options;
    std::string bus = "sim", mixer = "sim";
    CLI::Option *busOption = app.add_option("--bus", bus, "the bus driver: sim (the simulated card, default), i2cdev (a real adapter) or v4l2 (a card the kernel drives, /dev/videoN)")
                                 ->transform(CLI::IsMember({"sim", "i2cdev", "v4l2"}, CLI::ignore_case));
    CLI::Option *device = app.add_option("--i2c-device", options.host.i2cDevice, "the i2c-dev adapter's device, e.g. /dev/i2c-3, or its bus number, 3 (implies --bus i2cdev)");
    CLI::Option *adapter = app.add_option("--i2c-adapter", options.host.i2cAdapter, "the i2c-dev adapter by name, see tvctl i2c adapters (implies --bus i2cdev)");
    device->excludes(adapter);
    CLI::Option *v4l2Device = app.add_option("--v4l2-device", options.host.v4l2Device, "the V4L2 device: a path such as /dev/video0, or the card's name as v4l2-ctl --info shows it (implies --bus v4l2)");
    v4l2Device->excludes(device)->excludes(adapter);
    CLI::Option *mixerOption = app.add_option("--mixer", mixer, "the mixer driver: sim (default), alsa, or v4l2 (the audio controls of V4L2 devices)")
                                   ->transform(CLI::IsMember({"sim", "alsa", "v4l2"}, CLI::ignore_case));
    app.add_flag("--json", options.json, "answer each command with one JSON object on a line");
    app.add_flag("--trace", options.trace, "show the simulated card's bus transactions after each command (on standard error)");
    app.set_version_flag("--version", std::string("tvctl ") + TVCTL_VERSION);
    app.footer(std::string("Commands:\n") + CommandList() + "\n" + kFooter);

    // Answers before the first command follow --json as well, wherever it
    // stands among tvctl's options (the parse may stop before it).
    const Console early(std::find(globals.begin(), globals.end(), "--json") != globals.end());
    auto usageError = [&early](const std::string &sentence) {
        Reply reply;
        reply.Fail(sentence, kExitUsage);
        early.Finish("", reply);
        return kExitUsage;
    };

    // A word that is no option (nor an option's value) before the first
    // command can only be a misspelt command.
    for (size_t i = 0; i < globals.size(); ++i) {
        const std::string &word = globals[i];
        const bool value = i > 0 && (globals[i - 1] == "--bus" || globals[i - 1] == "--mixer" ||
                                     globals[i - 1] == "--i2c-device" || globals[i - 1] == "--i2c-adapter" ||
                                     globals[i - 1] == "--v4l2-device");
        if (!value && word.rfind('-', 0) != 0) return usageError("unknown command \"" + word + "\"; see tvctl --help");
        if (word == "--help" || word == "-h" || word == "--version") break;  // answered before anything else
    }
    std::reverse(globals.begin(), globals.end());  // CLI11 takes the arguments last first
    try {
        app.parse(globals);
    } catch (const CLI::CallForHelp &) {
        early.Help("", app.help());
        return kExitOk;
    } catch (const CLI::CallForVersion &) {
        if (early.Json()) {
            Reply reply;
            reply.data["version"] = TVCTL_VERSION;
            early.Finish("", reply);
        } else {
            early.Say(std::string("tvctl ") + TVCTL_VERSION);
        }
        return kExitOk;
    } catch (const CLI::ParseError &error) {
        std::string sentence = ParseErrorSentence("tvctl", error);
        if (sentence.rfind("tvctl: ", 0) == 0) sentence.erase(0, 7);  // the error line starts with "tvctl: " itself
        return usageError(sentence + "; see tvctl --help");
    }
    if (rest.empty()) return usageError("no command given; see tvctl --help");

    // A bare bus number names the adapter as i2c-tools do: 3 is /dev/i2c-3.
    if (!options.host.i2cDevice.empty() &&
        options.host.i2cDevice.find_first_not_of("0123456789") == std::string::npos)
        options.host.i2cDevice = "/dev/i2c-" + options.host.i2cDevice;
    const bool adapterGiven = device->count() > 0 || adapter->count() > 0;
    if (adapterGiven && busOption->count() > 0 && bus != "i2cdev")
        return usageError("--i2c-device and --i2c-adapter choose an adapter of the i2c-dev bus, not of --bus " + bus);
    const bool v4l2Given = v4l2Device->count() > 0;
    if (v4l2Given && busOption->count() > 0 && bus != "v4l2")
        return usageError("--v4l2-device chooses a device of the V4L2 bus, not of --bus " + bus);
    if (v4l2Given && adapterGiven)
        return usageError("--v4l2-device and --i2c-device/--i2c-adapter choose different buses; give one");
    options.host.busGiven = busOption->count() > 0 || adapterGiven || v4l2Given;
    options.host.bus = bus == "i2cdev" || adapterGiven ? BusChoice::I2cDev
                       : bus == "v4l2" || v4l2Given  ? BusChoice::V4l2
                                                     : BusChoice::Simulated;
    options.host.mixerGiven = mixerOption->count() > 0;
    options.host.mixer = mixer == "alsa"   ? MixerChoice::Alsa
                         : mixer == "v4l2" ? MixerChoice::V4l2
                                           : MixerChoice::Simulated;

    Console console(options.json);
    SetShellRunner(RunShell);
    Session session(options, console);
    return RunWords(session, SplitCommands(rest, [](std::string_view w) { return IsCommandName(w); }));
}

// Says what escaped the commands: with --json (only tvctl's own option has
// that name) as a JSON object, otherwise as a sentence; plain text if even
// that fails.
void ReportEscaped(int argc, char **argv, const char *sentence) noexcept {
    try {
        bool json = false;
        for (int i = 1; i < argc; ++i) json |= std::string_view(argv[i]) == "--json";
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
