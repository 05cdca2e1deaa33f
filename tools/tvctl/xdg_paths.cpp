#include "xdg_paths.h"

#include <cstdlib>

namespace tvctl {

std::string XdgDir(const char *variable, const char *fallback) {
    const char *set = std::getenv(variable);
    if (set != nullptr && set[0] == '/') return set;
    const char *home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') return "";
    return std::string(home) + "/" + fallback;
}

}  // namespace tvctl
