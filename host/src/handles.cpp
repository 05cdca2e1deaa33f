#include "handles.h"

#include <mutex>
#include <unordered_map>

#include "tvhost/diag.h"

namespace tvhost {
namespace {

constexpr HANDLE kFirstHandle = 0x100;
constexpr HANDLE kLastHandle = 0x7FFFFFFC;  // below the mixer handles' range

struct HandleTable {
    std::mutex lock;
    std::unordered_map<HANDLE, std::shared_ptr<HandleObject>> objects;
    HANDLE next = kFirstHandle;
};

HandleTable &Table() {
    static HandleTable table;
    return table;
}

thread_local DWORD lastError = ERROR_SUCCESS;

}  // namespace

HANDLE AddHandle(std::shared_ptr<HandleObject> object) {
    HandleTable &table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    if (table.objects.size() >= kMaxOpenHandles) return 0;
    HANDLE handle = table.next;
    while (table.objects.count(handle) != 0) handle = handle >= kLastHandle ? kFirstHandle : handle + 4;
    table.next = handle >= kLastHandle ? kFirstHandle : handle + 4;
    table.objects.emplace(handle, std::move(object));
    return handle;
}

std::shared_ptr<HandleObject> FindHandle(HANDLE handle, HandleKind kind) {
    HandleTable &table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    auto it = table.objects.find(handle);
    if (it == table.objects.end() || it->second->Kind() != kind) return nullptr;
    return it->second;
}

bool RemoveHandle(HANDLE handle) {
    std::shared_ptr<HandleObject> doomed;  // destroyed outside the lock
    HandleTable &table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    auto it = table.objects.find(handle);
    if (it == table.objects.end()) return false;
    doomed = std::move(it->second);
    table.objects.erase(it);
    return true;
}

std::size_t OpenHandleCount() {
    HandleTable &table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    return table.objects.size();
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
