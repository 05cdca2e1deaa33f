// VirtualAlloc and VirtualFree: whole pages from mmap, with Windows' rules
// for releasing them.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <map>
#include <mutex>

#include "handles.h"
#include "tvhost/diag.h"
#include "tvhost/win32.h"

namespace tvhost {
namespace {

// Every region handed out, by base address. VirtualFree only ever unmaps
// what is recorded here, so a wrong address is refused instead of tearing a
// hole into memory the host does not own.
struct RegionRegistry {
    std::mutex lock;
    std::map<uintptr_t, std::size_t> sizes;  // base -> length in bytes (whole pages)
};

RegionRegistry &Registry() {
    static RegionRegistry registry;
    return registry;
}

std::size_t PageSize() {
    static const std::size_t size = [] {
        long page = sysconf(_SC_PAGESIZE);
        return page > 0 ? static_cast<std::size_t>(page) : std::size_t{4096};
    }();
    return size;
}

// Rounds up to whole pages; 0 when the size cannot be rounded without
// overflowing.
std::size_t RoundToPages(std::size_t size) {
    std::size_t page = PageSize();
    if (size > SIZE_MAX - (page - 1)) return 0;
    return (size + page - 1) / page * page;
}

bool ProtectionOf(DWORD protect, int &prot) {
    switch (protect) {
    case PAGE_NOACCESS: prot = PROT_NONE; return true;
    case PAGE_READONLY: prot = PROT_READ; return true;
    case PAGE_READWRITE: prot = PROT_READ | PROT_WRITE; return true;
    default: return false;
    }
}

void *Fail(DWORD error) {
    SetError(error);
    return nullptr;
}

BOOL FailFree(DWORD error) {
    SetError(error);
    return FALSE;
}

// The region that holds [address, address + length), or end().
std::map<uintptr_t, std::size_t>::iterator RegionHolding(RegionRegistry &registry, uintptr_t address,
                                                         std::size_t length) {
    auto it = registry.sizes.upper_bound(address);
    if (it == registry.sizes.begin()) return registry.sizes.end();
    --it;
    uintptr_t end = it->first + it->second;
    if (address >= end || length > end - address) return registry.sizes.end();
    return it;
}

}  // namespace
}  // namespace tvhost

extern "C" {

LPVOID WINAPI VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protect) {
    using namespace tvhost;
    // The host always chooses the address; committing pages of an earlier
    // reservation at a given address is not offered.
    if (address != nullptr) return Fail(ERROR_INVALID_PARAMETER);
    if (size == 0) return Fail(ERROR_INVALID_PARAMETER);
    if ((allocationType & (MEM_COMMIT | MEM_RESERVE)) == 0 ||
        (allocationType & ~(MEM_COMMIT | MEM_RESERVE)) != 0)
        return Fail(ERROR_INVALID_PARAMETER);
    int prot = PROT_NONE;
    if (!ProtectionOf(protect, prot)) return Fail(ERROR_INVALID_PARAMETER);
    std::size_t length = RoundToPages(size);
    if (length == 0) return Fail(ERROR_NOT_ENOUGH_MEMORY);

    // Reserved-only pages are address space without access or backing.
    const bool commit = (allocationType & MEM_COMMIT) != 0;
    int flags = MAP_PRIVATE | MAP_ANONYMOUS | (commit ? 0 : MAP_NORESERVE);
    RegionRegistry &registry = Registry();
    std::lock_guard<std::mutex> guard(registry.lock);
    void *base = mmap(nullptr, length, commit ? prot : PROT_NONE, flags, -1, 0);
    if (base == MAP_FAILED) return Fail(ERROR_NOT_ENOUGH_MEMORY);
    try {
        registry.sizes.emplace(reinterpret_cast<uintptr_t>(base), length);
    } catch (...) {
        munmap(base, length);
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    return base;  // zero-filled, like fresh pages on Windows
}

BOOL WINAPI VirtualFree(LPVOID address, SIZE_T size, DWORD freeType) {
    using namespace tvhost;
    if (address == nullptr) return FailFree(ERROR_INVALID_PARAMETER);
    RegionRegistry &registry = Registry();
    std::lock_guard<std::mutex> guard(registry.lock);
    const uintptr_t at = reinterpret_cast<uintptr_t>(address);

    if (freeType == MEM_RELEASE) {
        // The whole region, named by its base and a size of 0.
        if (size != 0) return FailFree(ERROR_INVALID_PARAMETER);
        auto it = registry.sizes.find(at);
        if (it == registry.sizes.end())
            return FailFree(RegionHolding(registry, at, 1) == registry.sizes.end() ? ERROR_INVALID_ADDRESS
                                                                                   : ERROR_INVALID_PARAMETER);
        munmap(address, it->second);
        registry.sizes.erase(it);
        return TRUE;
    }

    if (freeType == MEM_DECOMMIT) {
        // Every page touched by [address, address + size), or the whole
        // region when size is 0 and address is its base. The pages stay
        // reserved: access faults, and their contents are gone.
        std::size_t page = PageSize();
        uintptr_t first = at / page * page;
        std::size_t length;
        if (size == 0) {
            auto it = registry.sizes.find(at);
            if (it == registry.sizes.end()) return FailFree(ERROR_INVALID_ADDRESS);
            length = it->second;
        } else {
            if (size > SIZE_MAX - (at - first)) return FailFree(ERROR_INVALID_PARAMETER);
            length = RoundToPages(size + (at - first));
            if (length == 0) return FailFree(ERROR_INVALID_PARAMETER);
        }
        if (RegionHolding(registry, first, length) == registry.sizes.end())
            return FailFree(ERROR_INVALID_ADDRESS);
        void *fresh = mmap(reinterpret_cast<void *>(first), length, PROT_NONE,
                           MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_FIXED, -1, 0);
        if (fresh == MAP_FAILED) return FailFree(ERROR_NOT_ENOUGH_MEMORY);
        return TRUE;
    }

    // MEM_RELEASE and MEM_DECOMMIT together, or anything else.
    return FailFree(ERROR_INVALID_PARAMETER);
}

uint32_t TvHostLiveRegions(void) {
    tvhost::RegionRegistry &registry = tvhost::Registry();
    std::lock_guard<std::mutex> guard(registry.lock);
    return static_cast<uint32_t>(registry.sizes.size());
}

}  // extern "C"
