// The connect step of the bus link: the library's block (ThunkData32) is
// joined to the bus driver's exported block (ThunkData16).
//
// The first successful step loads the driver module and fills the library's
// block; every later step checks the driver's block again and asks the
// driver whether its bus is still there. Process detach lets the module go.
// A step that fails at any point leaves the block not linked and releases
// the module, so the library's bus calls see "no link" rather than a stale
// pointer.
//
// The driver is loaded through the host's module calls (host_module.h): the
// loader on the POSIX host, the system's on Windows, so a driver that is
// missing, is no module or lacks its block fails with the loader's error.
#include <cstring>
#include <mutex>
#include <string>

#include "host_module.h"
#include "tvhost/thunk.h"

namespace tvhost {
namespace {

bool HasSignature(const char *signature) { return std::memcmp(signature, THUNK_SIGNATURE, 4) == 0; }

// The driver's block is usable: right signature, three bus calls, none NULL.
bool PartnerIsValid(const ThunkData16 *partner) {
    return partner != nullptr && HasSignature(partner->signature) && partner->entryCount == THUNK_ENTRY_COUNT &&
           partner->read != nullptr && partner->write != nullptr && partner->writeBlk != nullptr;
}

bool DriverAgrees(const ThunkData16 *partner, DWORD reason) {
    return partner->connect == nullptr || partner->connect(reason) != 0;
}

// A driver that refused its connect may say why (tvbusRefusalReason); the
// words go with the refusal of the load the step runs in.
void NoteDriverRefusal(HMODULE module) {
    FARPROC proc = GetProcAddress(module, TVBUS_REFUSAL_REASON_NAME);
    if (proc == nullptr) return;
    // Through the generic function type, as GetProcAddress's callers do.
    auto reason = reinterpret_cast<TvbusRefusalReasonProc>(reinterpret_cast<void (*)(void)>(proc));
    char words[512];
    if (reason(words, sizeof words) == 0) return;
    NoteEntryRefusal(std::string("the bus driver refused: ") + words);
}

void Unlink(ThunkData32 *block) {
    void *module = block->module16;
    block->linked = 0;
    block->partner = nullptr;
    block->module16 = nullptr;
    if (module != nullptr) FreeHostModule(static_cast<HMODULE>(module));
}

// Loads the driver module and checks its block; false (nothing kept
// loaded) when the module or block is missing or malformed, or the driver
// refuses.
bool Link(ThunkData32 *block, const char *partnerBlock, const char *module16, HINSTANCE library, DWORD reason) {
    HMODULE module = LoadBusDriver(module16, library, block);
    if (module == nullptr) return false;
    const auto *partner = static_cast<const ThunkData16 *>(FindHostModuleExport(module, partnerBlock));
    if (partner == nullptr) {
        FreeHostModule(module);
        SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    if (!PartnerIsValid(partner)) {
        FreeHostModule(module);
        SetLastError(ERROR_DLL_INIT_FAILED);
        return false;
    }
    if (!DriverAgrees(partner, reason)) {
        NoteDriverRefusal(module);
        FreeHostModule(module);
        SetLastError(ERROR_DLL_INIT_FAILED);
        return false;
    }
    block->partner = partner;
    block->module16 = module;
    block->linked = 1;
    return true;
}

}  // namespace
}  // namespace tvhost

extern "C" {

BOOL WINAPI ThunkConnect32(void *block32, LPCSTR partnerBlock, LPCSTR module16, LPCSTR /*module32*/,
                           HINSTANCE instance, DWORD reason) {
    auto *block = static_cast<ThunkData32 *>(block32);
    if (block == nullptr || !tvhost::HasSignature(block->signature) || partnerBlock == nullptr ||
        module16 == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Under the host's module lock: the step loads and frees the driver, and
    // runs both inside the library's entry routine and called directly.
    std::lock_guard<std::recursive_mutex> guard(tvhost::HostModuleLock());

    if (reason == DLL_PROCESS_DETACH) {
        // The driver hears of the detach, but nothing it says can keep the
        // link: the module is let go either way.
        bool stood = block->linked != 0 && tvhost::PartnerIsValid(block->partner);
        if (stood && block->partner->connect != nullptr) block->partner->connect(reason);
        tvhost::Unlink(block);
        return stood ? TRUE : FALSE;
    }

    if (block->linked == 0) {
        block->partner = nullptr;  // whatever else an unlinked block holds is not ours
        block->module16 = nullptr;
        return tvhost::Link(block, partnerBlock, module16, instance, reason) ? TRUE : FALSE;
    }
    if (!tvhost::PartnerIsValid(block->partner) || !tvhost::DriverAgrees(block->partner, reason)) {
        tvhost::Unlink(block);
        SetLastError(ERROR_DLL_INIT_FAILED);
        return FALSE;
    }
    return TRUE;
}

}  // extern "C"
