#include "handles.h"

#include <mutex>

#include "handle_table.h"
#include "tvhost/diag.h"

namespace tvhost {
namespace {

constexpr HANDLE kFirstHandle = 0x100;
constexpr HANDLE kLastHandle = 0x7FFFFFFC;  // below the mixer handles' range

struct KernelHandles {
    std::mutex lock;
    HandleTable<HANDLE, HandleObject, kFirstHandle, kLastHandle, kMaxOpenHandles> table;
};

KernelHandles &Handles() {
    static KernelHandles handles;
    return handles;
}

thread_local DWORD lastError = ERROR_SUCCESS;

// The two low bits of a kernel handle are tag bits that the system ignores
// (applications keep flags there), so h|1, h|2 and h|3 all name h.
constexpr HANDLE Untagged(HANDLE handle) { return handle & ~HANDLE(3); }

}  // namespace

HANDLE AddHandle(std::shared_ptr<HandleObject> object) {
    KernelHandles &handles = Handles();
    std::lock_guard<std::mutex> guard(handles.lock);
    return handles.table.Add(std::move(object));
}

std::shared_ptr<HandleObject> FindHandle(HANDLE handle, HandleKind kind) {
    KernelHandles &handles = Handles();
    std::lock_guard<std::mutex> guard(handles.lock);
    std::shared_ptr<HandleObject> object = handles.table.Find(Untagged(handle));
    if (object == nullptr || object->Kind() != kind) return nullptr;
    return object;
}

bool RemoveHandle(HANDLE handle) {
    std::shared_ptr<HandleObject> doomed;  // destroyed outside the lock
    KernelHandles &handles = Handles();
    std::lock_guard<std::mutex> guard(handles.lock);
    doomed = handles.table.Take(Untagged(handle));
    return doomed != nullptr;
}

std::size_t OpenHandleCount() {
    KernelHandles &handles = Handles();
    std::lock_guard<std::mutex> guard(handles.lock);
    return handles.table.OpenCount();
}

void SetError(DWORD code) { lastError = code; }

}  // namespace tvhost

extern "C" {

DWORD WINAPI GetLastError(void) { return tvhost::lastError; }

void WINAPI SetLastError(DWORD code) { tvhost::lastError = code; }

BOOL WINAPI CloseHandle(HANDLE handle) {
    if (!tvhost::RemoveHandle(handle)) {
        tvhost::SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

uint32_t TvHostOpenHandleCount(void) { return static_cast<uint32_t>(tvhost::OpenHandleCount()); }

}  // extern "C"
