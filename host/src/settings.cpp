#include "settings.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <filesystem>

namespace tvhost {

const char *SettingText(const char *name) {
    const char *value = getenv(name);
    return value == nullptr || value[0] == '\0' ? nullptr : value;
}

std::optional<std::string> Setting(const char *name) {
    const char *value = SettingText(name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

const std::string &HostLibraryDir() {
    static const std::string dir = [] {
        Dl_info info{};
        if (dladdr(reinterpret_cast<void *>(&HostLibraryDir), &info) == 0 || info.dli_fname == nullptr)
            return std::string(".");
        char resolved[PATH_MAX];
        std::string file = realpath(info.dli_fname, resolved) ? resolved : info.dli_fname;
        std::string::size_type slash = file.rfind('/');
        return slash == std::string::npos ? std::string(".") : file.substr(0, slash);
    }();
    return dir;
}

// A directory given relative to the host library's, in its shortest form
// ("lib/../etc/tvcore" becomes "etc/tvcore"): HostLibraryDir() holds no
// symbolic links, so dropping ".." steps changes nothing it names, and a
// short path fits the fixed buffers that Windows-style callers use.
static std::string BesideHostLibrary(const char *relative) {
    if (relative[0] == '/') return relative;
    std::string path = std::filesystem::path(HostLibraryDir() + "/" + relative).lexically_normal().string();
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string DefaultModuleDir() { return BesideHostLibrary(TVHOST_MODULE_SUBDIR); }

// TVHOST_CONFIG_DIR is relative to the host library's directory, or absolute
// when the installation keeps its configuration outside its prefix.
std::string DefaultConfigDir() { return BesideHostLibrary(TVHOST_CONFIG_DIR); }

std::string DefaultMixerDriver() { return TVHOST_DEFAULT_MIXER; }

std::string DefaultBusDriver() { return TVHOST_DEFAULT_BUS; }

}  // namespace tvhost
