// How the host's own code loads the modules it serves from: the bus driver
// (the link's connect step, thunk.cpp) and, on the POSIX host, the mixer
// drivers. The callers are the same source on every platform; only these
// calls differ: on the POSIX host they are the loader's own (loader.cpp), on
// Windows the system's LoadLibraryA, GetProcAddress and FreeLibrary
// (host/win/host_module_win.cpp).
#pragma once

#include <mutex>
#include <string>

#include "tvhost/win32.h"

namespace tvhost {

// Loads a module for the host's use, found and checked as LoadLibraryA does
// and counted with the module's other loads. NULL when it cannot be loaded,
// with the thread's last error set as LoadLibraryA sets it (and, on the POSIX
// host, the reason in words for TvHostLastLoadError).
HMODULE LoadHostModule(const char *name);

// The export `name` of a module from LoadHostModule (a procedure or a data
// object); NULL with ERROR_PROC_NOT_FOUND (and the words) when it has none.
void *FindHostModuleExport(HMODULE module, const char *name);

// Loads the bus driver for the connect step of the library `library`, whose
// link block is `block32`: on the POSIX host the driver chosen in code
// (TvHostChooseBusDriver) when there is one, else `module16` as
// LoadHostModule finds it; the POSIX host also remembers the block, to say
// which driver a library is linked to. Let go with FreeHostModule.
HMODULE LoadBusDriver(const char *module16, HINSTANCE library, const void *block32);

// Sets the words TvHostLastLoadError() gives on this thread (POSIX host
// only: a mixer driver skipped for a reason it told).
void NoteLoadError(const std::string &words);

// Lets go of a module from LoadHostModule.
void FreeHostModule(HMODULE module);

// Gives the reason, in words, why the entry routine running now on this
// thread is about to refuse its module's load (the bus driver's refusal,
// told by the connect step). The loader's refusal of that load then says
// "<module file>: <words>". On Windows, whose loader keeps no words, it
// does nothing.
void NoteEntryRefusal(const std::string &words);

// The lock that host code takes before a lock of its own under which it loads
// or frees modules, so that the two are always taken in one order, also when
// the call comes from inside a module's entry routine. On the POSIX host it
// is the loader lock; on Windows the system holds its loader lock around the
// library's entry routine, where the connect step runs, and this lock is the
// link's own.
std::recursive_mutex &HostModuleLock();

}  // namespace tvhost
