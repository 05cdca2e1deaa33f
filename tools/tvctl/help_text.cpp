#include "help_text.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <string_view>

namespace tvctl {

extern const char kHelpText[];  // help.txt, built in by cmake/EmbedText.cmake

namespace {

struct Section {
    std::string_view summary, text;
};

// Section `name` of the help text: its header line is "[name]" or
// "[name] summary"; its text runs to the next line that begins with '['.
Section FindSection(const std::string &name) {
    const std::string_view help = kHelpText;
    const std::string header = "[" + name + "]";
    size_t at = 0;
    while (at < help.size()) {
        const size_t lineEnd = std::min(help.find('\n', at), help.size());
        const std::string_view line = help.substr(at, lineEnd - at);
        at = lineEnd + 1;
        if (line.substr(0, header.size()) != header || (line.size() > header.size() && line[header.size()] != ' '))
            continue;
        size_t end = at;
        while (end < help.size() && help[end] != '[') end = std::min(help.find('\n', end), help.size()) + 1;
        std::string_view text = help.substr(std::min(at, help.size()), end - std::min(at, help.size()));
        while (!text.empty() && text.back() == '\n') text.remove_suffix(1);
        return {line.substr(std::min(line.size(), header.size() + 1)), text};
    }
    return {};
}

}  // namespace

std::string HelpSummary(const std::string &name) { return std::string(FindSection(name).summary); }

std::string HelpFooter(const std::string &name) { return std::string(FindSection(name).text); }

void ApplyHelpFooters(CLI::App &app, const std::string &name, const std::string &inherited) {
    std::string footer = HelpFooter(name);
    if (footer.empty()) footer = app.get_footer().empty() ? inherited : app.get_footer();
    app.footer(footer);
    for (CLI::App *sub : app.get_subcommands([](const CLI::App *) { return true; }))
        ApplyHelpFooters(*sub, name + " " + sub->get_name(), footer);
}

}  // namespace tvctl
