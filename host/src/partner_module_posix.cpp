// The bus driver module on the POSIX host: a shared object found on the
// module path (tvbus16.dll is the file tvbus16.so).
#include <dlfcn.h>

#include <string>

#include "module_path.h"
#include "partner_module.h"

namespace tvhost {

void *LoadPartnerModule(const char *module16) {
    std::string file = FindModule(module16);
    if (file.empty()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    void *module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) SetLastError(ERROR_BAD_EXE_FORMAT);
    return module;
}

const ThunkData16 *FindPartnerBlock(void *module, const char *name) {
    return static_cast<const ThunkData16 *>(dlsym(module, name));
}

void ReleasePartnerModule(void *module) { dlclose(module); }

}  // namespace tvhost
