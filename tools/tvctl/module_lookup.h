// Looking an export of a loaded module up as its own function type (through
// the generic function type, as GetProcAddress's callers do).
#pragma once

#include "tvhost/win32.h"

namespace tvctl {

template <typename T>
bool LookUp(HMODULE module, const char *name, T &out) {
    FARPROC proc = module != nullptr ? GetProcAddress(module, name) : nullptr;
    out = reinterpret_cast<T>(reinterpret_cast<void (*)(void)>(proc));
    return proc != nullptr;
}

}  // namespace tvctl
