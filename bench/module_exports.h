// The library's exported calls as an application reaches them: the module
// loaded with LoadLibraryA and each name looked up with GetProcAddress.
// Shared by the benchmarks and by the tests that count what the calls cost
// (bus transactions, heap allocations), so all of them measure the module
// exactly as an application sees it.
#pragma once

#include "tvcore.h"
#include "tvhost/win32.h"

namespace tvbench {

// Every exported function of tvcore_exports.h, under its own name.
struct ModuleExports {
    HMODULE module = nullptr;
#define TVBENCH_EXPORT_POINTER(name, result, argumentBytes, parameters) PFN_##name name = nullptr;
    TVCORE_EXPORTED_FUNCTIONS(TVBENCH_EXPORT_POINTER)
#undef TVBENCH_EXPORT_POINTER
};

// A name looked up in a loaded module as its own type (through void (*)() as
// usual for a looked-up symbol, which the compiler accepts as a cast to any
// function type); false when the module lacks it.
template <typename Function>
bool Resolve(HMODULE module, const char *name, Function &slot) {
    slot = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    return slot != nullptr;
}

// Looks every exported call up in a loaded module; false (and the module
// left loaded) when one is missing.
inline bool ResolveExports(HMODULE module, ModuleExports &out) {
    out = ModuleExports{};
    out.module = module;
    bool all = module != nullptr;
#define TVBENCH_RESOLVE(name, result, argumentBytes, parameters) all = all && Resolve(module, #name, out.name);
    TVCORE_EXPORTED_FUNCTIONS(TVBENCH_RESOLVE)
#undef TVBENCH_RESOLVE
    return all;
}

}  // namespace tvbench
