// The prose of tvctl's help: each command's summary and the text its help
// shows below its options, kept in help.txt beside the code and built into
// tvctl. A section there begins with a line "[NAME] summary" ("[config
// check]" for a subcommand) and runs to the next one.
#pragma once

#include <string>

namespace CLI {
class App;
}

namespace tvctl {

// The summary of section `name`, and its text without the blank lines
// around it; empty when help.txt has no such section.
std::string HelpSummary(const std::string &name);
std::string HelpFooter(const std::string &name);

// Gives `app` (the command `name`) and each of its subcommands the footer of
// its section; one without keeps the footer its code gave it (a text with
// figures), and a subcommand without either shows its command's.
void ApplyHelpFooters(CLI::App &app, const std::string &name, const std::string &inherited = {});

}  // namespace tvctl
