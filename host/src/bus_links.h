// Which bus driver each loaded library is linked to, on the POSIX host: the
// connect step loads the driver through LoadBusDriver (host_module.h), which
// applies the choice made in code and remembers the library's link block.
#pragma once

#include <string>

#include "tvhost/win32.h"

namespace tvhost {

// The file a loaded module was opened from ("" when `module` is not loaded),
// and in `holdsAddress`, when given, whether `address` lies in that module.
std::string ModuleFile(HMODULE module, const void *address = nullptr, bool *holdsAddress = nullptr);

// Whether the bus link of some loaded library stands. The caller holds
// HostModuleLock(), so no link is made or let go meanwhile.
bool AnyBusLinkStands();

// The bus driver module that the loaded library `library` is linked to:
// ERROR_SUCCESS and `driver`, ERROR_INVALID_HANDLE when `library` is not
// loaded, ERROR_NOT_FOUND when its link does not stand. The caller holds
// HostModuleLock() while it uses the driver.
DWORD LinkedBusDriver(HMODULE library, HMODULE &driver);

}  // namespace tvhost
