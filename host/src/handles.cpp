#include "handles.h"

#include <mutex>

#include "tvhost/diag.h"

namespace tvhost {
namespace {

constexpr HANDLE kFirstHandle = 0x100;
constexpr HANDLE kLastHandle = 0x7FFFFFFC;  // below the mixer handles' range

// The table is a fixed array of slots, one per open handle at most, so
// opening and closing a handle never allocates. A handle lives in the slot
// its value names; a new handle takes the next value (in steps of 4, as
// before) whose slot is free.
struct Slot {
    HANDLE handle = 0;
    std::shared_ptr<HandleObject> object;  // null: the slot is free
};

struct HandleTable {
    std::mutex lock;
    Slot slots[kMaxOpenHandles];
    std::size_t open = 0;
    HANDLE next = kFirstHandle;
};

HandleTable &Table() {
    static HandleTable table;
    return table;
}

constexpr std::size_t SlotOf(HANDLE handle) { return (handle >> 2) % kMaxOpenHandles; }

constexpr HANDLE After(HANDLE handle) { return handle >= kLastHandle ? kFirstHandle : handle + 4; }

thread_local DWORD lastError = ERROR_SUCCESS;

// The two low bits of a kernel handle are tag bits that the system ignores
// (applications keep flags there), so h|1, h|2 and h|3 all name h.
constexpr HANDLE kTagBits = 3;

// The slot that holds `handle` while it is open; null for a value that is
// no open handle. The caller holds the table's lock.
Slot *OpenSlot(HandleTable &table, HANDLE handle) {
    handle &= ~kTagBits;
    if (handle < kFirstHandle || handle > kLastHandle) return nullptr;
    Slot &slot = table.slots[SlotOf(handle)];
    return slot.object != nullptr && slot.handle == handle ? &slot : nullptr;
}

}  // namespace

HANDLE AddHandle(std::shared_ptr<HandleObject> object) {
    HandleTable &table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    if (table.open >= kMaxOpenHandles) return 0;
    // A free slot is at most kMaxOpenHandles values away.
    HANDLE handle = table.next;
    while (table.slots[SlotOf(handle)].object != nullptr) handle = After(handle);
    table.next = After(handle);
    Slot &slot = table.slots[SlotOf(handle)];
    slot.handle = handle;
    slot.object = std::move(object);
    ++table.open;
    return handle;
}

std::shared_ptr<HandleObject> FindHandle(HANDLE handle, HandleKind kind) {
    HandleTable &table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    Slot *slot = OpenSlot(table, handle);
    if (slot == nullptr || slot->object->Kind() != kind) return nullptr;
    return slot->object;
}

bool RemoveHandle(HANDLE handle) {
    std::shared_ptr<HandleObject> doomed;  // destroyed outside the lock
    HandleTable &table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    Slot *slot = OpenSlot(table, handle);
    if (slot == nullptr) return false;
    doomed = std::move(slot->object);
    slot->handle = 0;
    --table.open;
    return true;
}

std::size_t OpenHandleCount() {
    HandleTable &table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    return table.open;
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
