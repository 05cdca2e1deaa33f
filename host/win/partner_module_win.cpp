// The bus driver module on Windows.
//
// Windows versions without the 16-bit subsystem have no flat thunks, so the
// link keeps the partner contract of the host layer: the driver is an
// ordinary DLL named as the 16-bit side (tvbus16.dll), found by the system's
// DLL search through LoadLibraryA, and its block thk_ThunkData16 is found
// with GetProcAddress. The connect step itself (host/src/thunk.cpp) is the
// same source as on the POSIX host.
//
// The step runs inside the library's entry routine, so the loader lock is
// always held before the link's own lock; the link never takes them the other
// way round.
#include "partner_module.h"

namespace tvhost {

// A driver that cannot be loaded keeps the loader's own error code.
void *LoadPartnerModule(const char *module16) { return LoadLibraryA(module16); }

// GetProcAddress answers every export as a procedure; the driver's block is
// data, so the address is taken as the block's.
const ThunkData16 *FindPartnerBlock(void *module, const char *name) {
    FARPROC exported = GetProcAddress(static_cast<HMODULE>(module), name);
    return exported == nullptr ? nullptr : reinterpret_cast<const ThunkData16 *>(reinterpret_cast<void *>(exported));
}

void ReleasePartnerModule(void *module) { FreeLibrary(static_cast<HMODULE>(module)); }

}  // namespace tvhost
