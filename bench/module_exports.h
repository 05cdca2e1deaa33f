// The library's exported calls as an application reaches them: the module
// loaded with LoadLibraryA and each name looked up with GetProcAddress.
// Shared by the benchmarks and by the tests that count what the calls cost
// (bus transactions, heap allocations), so all of them measure the module
// exactly as an application sees it.
#pragma once

#include "tvcore.h"
#include "tvhost/win32.h"

namespace tvbench {

struct ModuleExports {
    HMODULE module = nullptr;
    PFN_SetTVParam SetTVParam = nullptr;
    PFN_GetTVParam GetTVParam = nullptr;
    PFN_I2C_Read I2C_Read = nullptr;
    PFN_I2C_Write I2C_Write = nullptr;
    PFN_I2C_WriteBlk I2C_WriteBlk = nullptr;
    PFN_InitTVAudio InitTVAudio = nullptr;
    PFN_SetTVVol SetTVVol = nullptr;
    PFN_GetTVVol GetTVVol = nullptr;
    PFN_SetTVMute SetTVMute = nullptr;
    PFN_GetTVMute GetTVMute = nullptr;
};

namespace detail {

template <typename Function>
bool Resolve(HMODULE module, const char *name, Function &slot) {
    // Through void (*)() as usual for a looked-up symbol, which the compiler
    // accepts as a cast to any function type.
    slot = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    return slot != nullptr;
}

}  // namespace detail

// Looks every exported call up in a loaded module; false (and the module
// left loaded) when one is missing.
inline bool ResolveExports(HMODULE module, ModuleExports &out) {
    out = ModuleExports{};
    out.module = module;
    return module != nullptr && detail::Resolve(module, "SetTVParam", out.SetTVParam) &&
           detail::Resolve(module, "GetTVParam", out.GetTVParam) &&
           detail::Resolve(module, "I2C_Read", out.I2C_Read) && detail::Resolve(module, "I2C_Write", out.I2C_Write) &&
           detail::Resolve(module, "I2C_WriteBlk", out.I2C_WriteBlk) &&
           detail::Resolve(module, "InitTVAudio", out.InitTVAudio) &&
           detail::Resolve(module, "SetTVVol", out.SetTVVol) && detail::Resolve(module, "GetTVVol", out.GetTVVol) &&
           detail::Resolve(module, "SetTVMute", out.SetTVMute) && detail::Resolve(module, "GetTVMute", out.GetTVMute);
}

}  // namespace tvbench
