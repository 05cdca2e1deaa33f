#include "settings.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

namespace tvhost {

std::optional<std::string> Setting(const char *name) {
    const char *value = getenv(name);
    if (value == nullptr || value[0] == '\0') return std::nullopt;
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

std::string DefaultModuleDir() { return HostLibraryDir() + "/" TVHOST_MODULE_SUBDIR; }

std::string DefaultConfigDir() { return HostLibraryDir() + "/" TVHOST_CONFIG_RELDIR; }

std::string DefaultMixerDriver() { return TVHOST_DEFAULT_MIXER; }

}  // namespace tvhost
