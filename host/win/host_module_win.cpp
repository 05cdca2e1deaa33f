// The host's module calls on Windows (host_module.h): the system's loader.
//
// Windows versions without the 16-bit subsystem have no flat thunks, so the
// link keeps the partner contract of the host layer: the driver is an
// ordinary DLL named as the 16-bit side (tvbus16.dll), found by the system's
// DLL search through LoadLibraryA, and its block thk_ThunkData16 is found
// with GetProcAddress. The connect step itself (host/src/thunk.cpp) is the
// same source as on the POSIX host, where these calls are the host loader's.
//
// The step runs inside the library's entry routine, so the system's loader
// lock is always held before the link's own lock; the link never takes them
// the other way round.
#include "host_module.h"

namespace tvhost {

// A driver that cannot be loaded keeps the loader's own error code.
HMODULE LoadHostModule(const char *name) { return LoadLibraryA(name); }

// GetProcAddress answers every export as a procedure; the driver's block is
// data, so the address is taken as the block's.
void *FindHostModuleExport(HMODULE module, const char *name) {
    return reinterpret_cast<void *>(GetProcAddress(module, name));
}

// Windows has no choice of bus driver in code: the system's DLL search decides.
HMODULE LoadBusDriver(const char *module16, HINSTANCE /*library*/, const void * /*block32*/) {
    return LoadLibraryA(module16);
}

void FreeHostModule(HMODULE module) { FreeLibrary(module); }

// The system's loader answers a refused load with its error code alone.
void NoteEntryRefusal(const std::string & /*words*/) {}

std::recursive_mutex &HostModuleLock() {
    static std::recursive_mutex lock;
    return lock;
}

}  // namespace tvhost
