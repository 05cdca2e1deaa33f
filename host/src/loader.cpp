// The module loader: LoadLibraryA, GetProcAddress, FreeLibrary, and the
// host's delivery of thread notifications.
//
// A module is a shared object found on the module path (module_path.h). It is
// opened with dlopen(RTLD_NOW | RTLD_LOCAL); when it exports DllMain, the
// loader calls it with the platform's notifications:
//   DLL_PROCESS_ATTACH  by the LoadLibraryA that loads it (false refuses the load)
//   DLL_PROCESS_DETACH  by the FreeLibrary that brings its load count to zero
//   DLL_THREAD_ATTACH   by TvHostThreadAttach(), called on a thread by the application
//   DLL_THREAD_DETACH   by TvHostThreadDetach(), likewise
// POSIX tells a library nothing about thread start and end, so a thread that
// should be announced announces itself; attach goes to the modules in load
// order, detach in the reverse order. A module's entry routine is never run
// by dlopen itself (modules carry no constructor that calls it).
//
// All of this happens under one recursive loader lock, as on the platform:
// entry routines are serialised, and an entry routine may load, query or free
// modules itself.
//
// Module handles are tokens from a counter that is never reused, not the
// dlopen handle and not an address, so a handle kept after its module was
// freed is refused instead of being mistaken for a later module.
//
// The host's own loads (the bus driver, the mixer drivers: host_module.h)
// take the same path and are counted apart from the application's: a module
// stays loaded while either holds it, TvHostLoadedModuleCount() counts the
// modules the application loaded, and FreeLibrary lets go only of the
// application's loads.
#include <dlfcn.h>
#include <elf.h>
#include <errno.h>
#include <fcntl.h>
#include <link.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "handles.h"
#include "bus_links.h"
#include "host_module.h"
#include "module_path.h"
#include "tvhost/diag.h"
#include "tvhost/mixer_driver.h"
#include "tvhost/win32.h"

namespace tvhost {
namespace {

using EntryRoutine = BOOL (*)(HINSTANCE instance, DWORD reason, LPVOID reserved);

enum class ModuleState {
    Attaching,  // DLL_PROCESS_ATTACH is running
    Loaded,
    Detaching,  // DLL_PROCESS_DETACH is running; the load count is 0
};

// Who holds a load: the application (LoadLibraryA) or the host itself.
enum class Holder { Application, Host };

struct LoadedModule {
    HMODULE handle;
    void *library;            // from dlopen
    const struct link_map *map;  // the object's identity in the dynamic linker
    EntryRoutine entry;       // null for a module without DllMain
    std::string file;         // the file that was opened
    uint32_t loadCount;       // the application's loads
    uint32_t hostCount;       // the host's own loads
    Holder firstHolder;       // whose load attached it
    ModuleState state;

    uint32_t &Count(Holder holder) { return holder == Holder::Application ? loadCount : hostCount; }
};

// Whether a module counts as the application's: it holds a load of it, or
// the module is attaching or detaching for it.
bool HeldByApplication(const LoadedModule &module) {
    return module.loadCount > 0 || (module.hostCount == 0 && module.firstHolder == Holder::Application);
}

struct Loader {
    std::recursive_mutex lock;
    std::vector<std::unique_ptr<LoadedModule>> modules;  // in load order
    uintptr_t nextSerial = 1;
};

Loader &TheLoader() {
    // Never destroyed: a mixer driver may be let go by a static destructor.
    static Loader *loader = new Loader;
    return *loader;
}

// Handles are multiples of 64 KiB (like module bases on the platform), so no
// handle is a small number and none is ever handed out twice.
constexpr int kHandleShift = 16;

thread_local std::string lastLoadError;
// Why the entry routine running on this thread refuses (NoteEntryRefusal).
thread_local std::string entryRefusal;

// What a module whose entry routine refused says of it itself: a mixer
// driver's mxdRefusalReason. "" when it says nothing.
std::string RefusalWords(void *library) {
    auto reason = reinterpret_cast<MxdRefusalReasonProc>(dlsym(library, MXD_REFUSAL_REASON_NAME));
    char words[512];
    if (reason == nullptr || reason(words, sizeof words) == 0) return "";
    return std::string("the mixer driver refused: ") + words;
}

LoadedModule *FindByHandle(Loader &loader, HMODULE handle) {
    for (const auto &module : loader.modules)
        if (module->handle == handle) return module.get();
    return nullptr;
}

LoadedModule *FindByMap(Loader &loader, const struct link_map *map) {
    for (const auto &module : loader.modules)
        if (module->map == map) return module.get();
    return nullptr;
}

void Forget(Loader &loader, const LoadedModule *module) {
    auto it = std::find_if(loader.modules.begin(), loader.modules.end(),
                           [module](const auto &m) { return m.get() == module; });
    if (it != loader.modules.end()) loader.modules.erase(it);
}

// The ELF header of the host library itself: a module must match its class,
// byte order and machine to be loadable into this process.
const ElfW(Ehdr) *OwnElfHeader() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&OwnElfHeader), &info) == 0 || info.dli_fbase == nullptr)
        return nullptr;
    return static_cast<const ElfW(Ehdr) *>(info.dli_fbase);
}

// Checks that `file` is a shared object for this machine before the dynamic
// linker sees it. Answers ERROR_SUCCESS or the error LoadLibraryA reports.
DWORD CheckModuleFile(const std::string &file) {
    struct stat st {};
    if (stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return ERROR_MOD_NOT_FOUND;
    int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_MOD_NOT_FOUND;
    ElfW(Ehdr) header{};
    ssize_t got;
    do {
        got = pread(fd, &header, sizeof header, 0);
    } while (got < 0 && errno == EINTR);
    close(fd);
    if (got != static_cast<ssize_t>(sizeof header)) return ERROR_BAD_EXE_FORMAT;
    const ElfW(Ehdr) *own = OwnElfHeader();
    bool elf = header.e_ident[EI_MAG0] == ELFMAG0 && header.e_ident[EI_MAG1] == ELFMAG1 &&
               header.e_ident[EI_MAG2] == ELFMAG2 && header.e_ident[EI_MAG3] == ELFMAG3;
    if (!elf || header.e_type != ET_DYN) return ERROR_BAD_EXE_FORMAT;
    if (own != nullptr && (header.e_ident[EI_CLASS] != own->e_ident[EI_CLASS] ||
                           header.e_ident[EI_DATA] != own->e_ident[EI_DATA] ||
                           header.e_machine != own->e_machine))
        return ERROR_BAD_EXE_FORMAT;
    return ERROR_SUCCESS;
}

std::string DynamicLinkerMessage() {
    const char *message = dlerror();
    return message != nullptr ? message : "";
}

// Sends a thread notification to every loaded module with an entry routine.
// The list is taken first and each handle looked up again before its call,
// since an entry routine may load or free modules meanwhile.
uint32_t NotifyThread(DWORD reason) {
    Loader &loader = TheLoader();
    std::lock_guard<std::recursive_mutex> guard(loader.lock);
    std::vector<HMODULE> order;
    for (const auto &module : loader.modules) order.push_back(module->handle);
    if (reason == DLL_THREAD_DETACH) std::reverse(order.begin(), order.end());
    uint32_t notified = 0;
    for (HMODULE handle : order) {
        LoadedModule *module = FindByHandle(loader, handle);
        if (module == nullptr || module->state != ModuleState::Loaded || module->entry == nullptr)
            continue;
        module->entry(handle, reason, nullptr);  // the answer counts only at process attach
        ++notified;
    }
    return notified;
}

// Why a file failed the check, in words.
const char *FileErrorWords(DWORD error) {
    switch (error) {
        case ERROR_BAD_EXE_FORMAT: return ": not a shared object for this machine";
        case ERROR_ACCESS_DENIED: return ": cannot be opened for reading";
        default: return ": no such file (or not a regular file)";
    }
}

// Loads a module, or counts one more load of it for `holder`. NULL with the
// thread's last error and lastLoadError set when it cannot be loaded.
HMODULE Acquire(const char *fileName, Holder holder) {
    Loader &loader = TheLoader();
    std::lock_guard<std::recursive_mutex> guard(loader.lock);

    // Windows drops trailing blanks from a module name ("tvcore.dll  ").
    std::string name(fileName);
    name.erase(name.find_last_not_of(' ') + 1);
    std::string file = FindModule(name);
    if (file.empty()) {
        lastLoadError = std::string("module not found on the module path: ") + fileName;
        SetError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    DWORD fileError = CheckModuleFile(file);
    if (fileError != ERROR_SUCCESS) {
        lastLoadError = file + FileErrorWords(fileError);
        SetError(fileError);
        return nullptr;
    }

    void *library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        lastLoadError = DynamicLinkerMessage();
        SetError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    struct link_map *map = nullptr;
    if (dlinfo(library, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) {
        lastLoadError = DynamicLinkerMessage();
        dlclose(library);
        SetError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }

    // The same object under another name, or again: one module, counted.
    if (LoadedModule *known = FindByMap(loader, map)) {
        dlclose(library);  // the dynamic linker counted this dlopen too
        if (known->state == ModuleState::Detaching) {
            // Its unload has begun and cannot be undone.
            lastLoadError = file + ": the module is being unloaded";
            SetError(ERROR_DLL_INIT_FAILED);
            return nullptr;
        }
        ++known->Count(holder);
        return known->handle;
    }

    auto module = std::make_unique<LoadedModule>();
    module->handle = reinterpret_cast<HMODULE>(loader.nextSerial++ << kHandleShift);
    module->library = library;
    module->map = map;
    module->entry = reinterpret_cast<EntryRoutine>(dlsym(library, "DllMain"));
    module->file = file;
    module->loadCount = 0;
    module->hostCount = 0;
    module->Count(holder) = 1;
    module->firstHolder = holder;
    module->state = ModuleState::Attaching;
    LoadedModule *record = module.get();
    loader.modules.push_back(std::move(module));

    HMODULE handle = record->handle;
    // A load that fails inside the entry routine (the library's bus driver)
    // is the reason for a refusal, so its words are kept with the refusal.
    std::string earlier = std::move(lastLoadError);
    lastLoadError.clear();
    // An entry routine may itself load a module whose entry refuses; each
    // keeps its own reason.
    std::string outerRefusal = std::move(entryRefusal);
    entryRefusal.clear();
    if (record->entry != nullptr && !record->entry(handle, DLL_PROCESS_ATTACH, nullptr)) {
        // Refused: unloaded at once, with no further notification (asked
        // for its own words first, while it is still there).
        if (entryRefusal.empty()) entryRefusal = RefusalWords(library);
        Forget(loader, record);
        dlclose(library);
        std::string inner = std::move(lastLoadError);
        if (!entryRefusal.empty()) {
            lastLoadError = file + ": " + entryRefusal;
        } else {
            lastLoadError = file + ": the entry routine refused the load";
            if (!inner.empty()) lastLoadError += " (" + inner + ")";
        }
        entryRefusal = std::move(outerRefusal);
        SetError(ERROR_DLL_INIT_FAILED);
        return nullptr;
    }
    entryRefusal = std::move(outerRefusal);
    if (lastLoadError.empty()) lastLoadError = std::move(earlier);
    record->state = ModuleState::Loaded;
    return handle;
}

// Lets go of one of `holder`'s loads; the last load of either holder detaches
// and unloads the module. ERROR_SUCCESS, or why the handle is refused.
DWORD Release(HMODULE module, Holder holder) {
    Loader &loader = TheLoader();
    std::lock_guard<std::recursive_mutex> guard(loader.lock);
    LoadedModule *record = FindByHandle(loader, module);
    // A module that is still attaching holds its first reference for the load
    // that is attaching it; one that is detaching holds none.
    // As on Windows: NULL is no handle at all, any other value that names no
    // loaded module is a module not found.
    if (record == nullptr || record->Count(holder) == 0 ||
        (record->Count(holder) == 1 && record->state == ModuleState::Attaching && record->firstHolder == holder))
        return module == nullptr ? ERROR_INVALID_HANDLE : ERROR_MOD_NOT_FOUND;
    --record->Count(holder);
    if (record->loadCount + record->hostCount > 0) return ERROR_SUCCESS;

    record->state = ModuleState::Detaching;
    if (record->entry != nullptr) record->entry(module, DLL_PROCESS_DETACH, nullptr);
    void *library = record->library;
    Forget(loader, record);
    dlclose(library);
    return ERROR_SUCCESS;
}

}  // namespace

HMODULE LoadHostModule(const char *name) { return Acquire(name, Holder::Host); }

void *FindHostModuleExport(HMODULE module, const char *name) {
    void *address = reinterpret_cast<void *>(GetProcAddress(module, name));
    if (address != nullptr) return address;
    Loader &loader = TheLoader();
    std::lock_guard<std::recursive_mutex> guard(loader.lock);
    LoadedModule *record = FindByHandle(loader, module);
    lastLoadError = (record != nullptr ? record->file : std::string("a module")) + ": exports no " + name;
    SetError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

void FreeHostModule(HMODULE module) { Release(module, Holder::Host); }

std::string ModuleFile(HMODULE module, const void *address, bool *holdsAddress) {
    Loader &loader = TheLoader();
    std::lock_guard<std::recursive_mutex> guard(loader.lock);
    const LoadedModule *record = FindByHandle(loader, module);
    if (record == nullptr) return {};
    if (holdsAddress != nullptr) {
        Dl_info info{};
        struct link_map *owner = nullptr;
        *holdsAddress = address != nullptr &&
                        dladdr1(address, &info, reinterpret_cast<void **>(&owner), RTLD_DL_LINKMAP) != 0 &&
                        owner == record->map;
    }
    return record->file;
}

void NoteEntryRefusal(const std::string &words) { entryRefusal = words; }

void NoteLoadError(const std::string &words) { lastLoadError = words; }

std::recursive_mutex &HostModuleLock() { return TheLoader().lock; }

}  // namespace tvhost

using tvhost::Loader;
using tvhost::LoadedModule;

extern "C" {

HMODULE WINAPI LoadLibraryA(LPCSTR fileName) {
    if (fileName == nullptr) {
        tvhost::SetError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return tvhost::Acquire(fileName, tvhost::Holder::Application);
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName) {
    Loader &loader = tvhost::TheLoader();
    std::lock_guard<std::recursive_mutex> guard(loader.lock);
    LoadedModule *record = tvhost::FindByHandle(loader, module);
    if (record == nullptr) {
        // NULL names the program itself on Windows, which exports nothing
        // here; any other value names no loaded module.
        tvhost::SetError(module == nullptr ? ERROR_PROC_NOT_FOUND : ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    // Values below 64 Ki are ordinals on the platform; the host's modules
    // export by name only, and such a value must not be read as a string.
    if (reinterpret_cast<uintptr_t>(procName) < 0x10000) {
        tvhost::SetError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    void *address = dlsym(record->library, procName);
    // dlsym also searches the module's dependencies (the host library, the C
    // library); only what the module itself defines is its export.
    Dl_info info{};
    struct link_map *owner = nullptr;
    if (address == nullptr ||
        dladdr1(address, &info, reinterpret_cast<void **>(&owner), RTLD_DL_LINKMAP) == 0 ||
        owner != record->map) {
        tvhost::SetError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(address);
}

BOOL WINAPI FreeLibrary(HMODULE module) {
    DWORD error = tvhost::Release(module, tvhost::Holder::Application);
    if (error == ERROR_SUCCESS) return TRUE;
    tvhost::SetError(error);
    return FALSE;
}

uint32_t TvHostThreadAttach(void) { return tvhost::NotifyThread(DLL_THREAD_ATTACH); }

uint32_t TvHostThreadDetach(void) { return tvhost::NotifyThread(DLL_THREAD_DETACH); }

uint32_t TvHostLoadedModuleCount(void) {
    Loader &loader = tvhost::TheLoader();
    std::lock_guard<std::recursive_mutex> guard(loader.lock);
    return static_cast<uint32_t>(std::count_if(loader.modules.begin(), loader.modules.end(),
                                               [](const auto &module) { return tvhost::HeldByApplication(*module); }));
}

const char *TvHostLastLoadError(void) { return tvhost::lastLoadError.c_str(); }

}  // extern "C"
