// The connect step of the bus link on Windows: the library's block
// (ThunkData32) is joined to the bus driver's exported block (ThunkData16).
//
// Windows versions without the 16-bit subsystem have no flat thunks, so the
// link keeps the partner contract of the host layer: the driver is an
// ordinary DLL named as the 16-bit side (tvbus16.dll), found by the system's
// DLL search through LoadLibraryA, and its block thk_ThunkData16 is found
// with GetProcAddress. The rules are those of the Linux host (thunk.cpp): the
// block is checked at every step, the driver's connect entry is asked, and
// process detach lets the driver go whatever it answers. A step that fails
// leaves the block not linked and the driver released.
//
// The step runs inside the library's entry routine, so the loader lock is
// always held before the link's own lock; the link never takes them the other
// way round.
#include <cstring>
#include <mutex>

#include "tvhost/thunk.h"

namespace {

std::mutex &LinkLock() {
    static std::mutex lock;
    return lock;
}

bool HasSignature(const char *signature) { return std::memcmp(signature, THUNK_SIGNATURE, 4) == 0; }

// The driver's block is usable: right signature, three bus calls, none NULL.
bool PartnerIsValid(const ThunkData16 *partner) {
    return partner != nullptr && HasSignature(partner->signature) && partner->entryCount == THUNK_ENTRY_COUNT &&
           partner->read != nullptr && partner->write != nullptr && partner->writeBlk != nullptr;
}

bool DriverAgrees(const ThunkData16 *partner, DWORD reason) {
    return partner->connect == nullptr || partner->connect(reason) != 0;
}

void Unlink(ThunkData32 *block) {
    HMODULE module = static_cast<HMODULE>(block->module16);
    block->linked = 0;
    block->partner = nullptr;
    block->module16 = nullptr;
    if (module != nullptr) FreeLibrary(module);
}

// GetProcAddress answers every export as a procedure; the driver's block is
// data, so the address is taken as the block's.
const ThunkData16 *BlockOf(HMODULE module, const char *partnerBlock) {
    FARPROC exported = GetProcAddress(module, partnerBlock);
    return exported == nullptr ? nullptr : reinterpret_cast<const ThunkData16 *>(reinterpret_cast<void *>(exported));
}

// Loads the driver and checks its block; false (nothing kept loaded) when the
// DLL or its block is missing or malformed, or the driver refuses. A driver
// that cannot be loaded keeps the loader's own error code.
bool Link(ThunkData32 *block, const char *partnerBlock, const char *module16, DWORD reason) {
    HMODULE module = LoadLibraryA(module16);
    if (module == nullptr) return false;
    const ThunkData16 *partner = BlockOf(module, partnerBlock);
    if (partner == nullptr) {
        FreeLibrary(module);
        SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    if (!PartnerIsValid(partner) || !DriverAgrees(partner, reason)) {
        FreeLibrary(module);
        SetLastError(ERROR_DLL_INIT_FAILED);
        return false;
    }
    block->partner = partner;
    block->module16 = module;
    block->linked = 1;
    return true;
}

}  // namespace

extern "C" {

BOOL WINAPI ThunkConnect32(void *block32, LPCSTR partnerBlock, LPCSTR module16, LPCSTR /*module32*/,
                           HINSTANCE /*instance*/, DWORD reason) {
    auto *block = static_cast<ThunkData32 *>(block32);
    if (block == nullptr || !HasSignature(block->signature) || partnerBlock == nullptr || module16 == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(LinkLock());

    if (reason == DLL_PROCESS_DETACH) {
        // The driver hears of the detach, but nothing it says can keep the
        // link: the driver is let go either way.
        bool stood = block->linked != 0 && PartnerIsValid(block->partner);
        if (stood && block->partner->connect != nullptr) block->partner->connect(reason);
        Unlink(block);
        return stood ? TRUE : FALSE;
    }

    if (block->linked == 0) {
        block->partner = nullptr;  // whatever else an unlinked block holds is not ours
        block->module16 = nullptr;
        return Link(block, partnerBlock, module16, reason) ? TRUE : FALSE;
    }
    if (!PartnerIsValid(block->partner) || !DriverAgrees(block->partner, reason)) {
        Unlink(block);
        SetLastError(ERROR_DLL_INIT_FAILED);
        return FALSE;
    }
    return TRUE;
}

}  // extern "C"
