// tvctl's own options, given before the first command: the bus and mixer
// drivers, --json and --trace. One table (CLI11's) declares them; the
// program parses them and commands ask it which words are tvctl's own.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <string_view>

#include "session.h"

namespace tvctl {

inline constexpr const char *kJsonOption = "--json";

struct GlobalChoices {
    GlobalOptions options;
    // Which of them were given (the drivers' choices depend on it).
    const CLI::Option *bus = nullptr;
    const CLI::Option *i2cDevice = nullptr;
    const CLI::Option *i2cAdapter = nullptr;
    const CLI::Option *v4l2Device = nullptr;
    const CLI::Option *mixer = nullptr;
};

// Declares tvctl's options on `app`, bound to `choices`.
void DefineGlobalOptions(CLI::App &app, GlobalChoices &choices);

// Settles what the options chose between them once they are parsed: the
// bus an --i2c-* or --v4l2-device option implies, a bare adapter number as
// its device. "" when they agree, else the usage error.
std::string SettleDrivers(GlobalChoices &choices);

// Whether `word` is one of tvctl's options, and one that takes a value.
bool IsGlobalOption(std::string_view word);
bool GlobalOptionTakesValue(std::string_view word);

}  // namespace tvctl
