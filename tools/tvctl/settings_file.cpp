#include "settings_file.h"

#include <fmt/format.h>

#include <cctype>

#include "safe_file.h"
#include "station_list.h"
#include "xdg_paths.h"

namespace tvctl {

namespace {

std::string_view Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::string DefaultSettingsFile() {
    std::string dir = XdgDir("XDG_CONFIG_HOME", ".config");
    return dir.empty() ? "" : dir + "/tvctl/settings";
}

SettingsText ParseSettingsText(std::string_view text) {
    SettingsText parsed;
    size_t at = 0;
    for (size_t number = 1; at < text.size(); ++number) {
        size_t end = text.find_first_of("\r\n", at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = Trimmed(text.substr(at, end - at));
        at = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        if (line.empty() || line[0] == '#') continue;
        const size_t equals = line.find('=');
        std::string_view key = Trimmed(line.substr(0, equals));
        std::string error;
        if (equals == std::string_view::npos || key.empty())
            error = "a setting is KEY = VALUE";
        else if (Trimmed(line.substr(equals + 1)).empty())
            error = fmt::format("{} has no value", Printable(key));
        if (!error.empty()) {
            parsed.settings.push_back({"", "", number, error});
            continue;
        }
        std::string lower(key);
        for (char &c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        parsed.settings.push_back({lower, std::string(Trimmed(line.substr(equals + 1))), number, ""});
    }
    return parsed;
}

SettingsText LoadSettingsFile(const std::string &file) {
    FileText read = ReadRegularFile(file, kMaxSettingsBytes, "the settings file");
    if (read.outcome == FileText::Outcome::Read) return ParseSettingsText(read.text);
    SettingsText none;
    if (read.outcome == FileText::Outcome::Refused) none.problem = read.error;
    return none;
}

}  // namespace tvctl
