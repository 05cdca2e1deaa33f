// Loading the bus driver module for the link's connect step. The connect
// step itself (thunk.cpp) is the same on every platform; only these three
// operations differ: dlopen/dlsym on the POSIX host, LoadLibraryA and
// GetProcAddress on Windows (host/win/partner_module_win.cpp).
#pragma once

#include "tvhost/thunk.h"

namespace tvhost {

// Loads the module named as the 16-bit side ("tvbus16.dll"); NULL, with the
// thread's last error set, when it cannot be found or loaded.
void *LoadPartnerModule(const char *module16);

// The exported block `name` of a loaded module; NULL when it has none.
const ThunkData16 *FindPartnerBlock(void *module, const char *name);

// Lets a module loaded by LoadPartnerModule go.
void ReleasePartnerModule(void *module);

}  // namespace tvhost
