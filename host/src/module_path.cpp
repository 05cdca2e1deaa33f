#include "module_path.h"

#include <sys/stat.h>

#include <cctype>

#include "driver_choice.h"
#include "settings.h"

namespace tvhost {

std::vector<std::string> ModuleSearchPath() {
    std::vector<std::string> dirs;
    if (std::optional<std::string> chosen = ChosenModuleDir()) {
        dirs.push_back(std::move(*chosen));
        return dirs;
    }
    std::optional<std::string> path = Setting("TVHOST_PATH");
    if (!path) {
        dirs.push_back(DefaultModuleDir());
        return dirs;
    }
    std::string::size_type start = 0;
    while (start <= path->size()) {
        std::string::size_type colon = path->find(':', start);
        if (colon == std::string::npos) colon = path->size();
        if (colon > start) dirs.push_back(path->substr(start, colon - start));
        start = colon + 1;
    }
    return dirs;
}

std::string HostModuleFileName(const std::string &name) {
    std::string::size_type slash = name.rfind('/');
    std::string::size_type dot = name.rfind('.');
    bool hasEnding = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    if (!hasEnding) return name + ".so";
    std::string ending = name.substr(dot);
    for (char &c : ending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ending == ".dll") return name.substr(0, dot) + ".so";
    return name;
}

static bool IsRegularFile(const std::string &file) {
    struct stat st {};
    return stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string FindModule(const std::string &name) {
    if (name.empty()) return {};
    if (name.find('/') != std::string::npos) return name;
    std::string file = HostModuleFileName(name);
    for (const std::string &dir : ModuleSearchPath()) {
        std::string candidate = dir;
        candidate.append("/").append(file);
        if (IsRegularFile(candidate)) return candidate;
    }
    return {};
}

}  // namespace tvhost
