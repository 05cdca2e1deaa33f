#include "help_text.h"

#include <CLI/CLI.hpp>
#include <string_view>

namespace tvctl {

extern const char kHelpText[];  // help.txt, built in by cmake/EmbedText.cmake

std::string HelpFooter(const std::string &name) {
    const std::string_view text = kHelpText;
    const std::string header = "[" + name + "]\n";
    size_t at = 0;
    while (at < text.size() && text.compare(at, header.size(), header) != 0) {
        at = text.find('\n', at);
        at = at == std::string_view::npos ? text.size() : at + 1;
    }
    if (at >= text.size()) return {};
    const size_t start = at + header.size();
    size_t end = start;
    while (end < text.size() && text[end] != '[') {
        end = text.find('\n', end);
        end = end == std::string_view::npos ? text.size() : end + 1;
    }
    std::string section(text.substr(start, end - start));
    while (!section.empty() && section.back() == '\n') section.pop_back();
    return section;
}

void ApplyHelpFooters(CLI::App &app, const std::string &name, const std::string &inherited) {
    std::string footer = HelpFooter(name);
    if (footer.empty()) footer = app.get_footer().empty() ? inherited : app.get_footer();
    app.footer(footer);
    for (CLI::App *sub : app.get_subcommands([](const CLI::App *) { return true; }))
        ApplyHelpFooters(*sub, name + " " + sub->get_name(), footer);
}

}  // namespace tvctl
