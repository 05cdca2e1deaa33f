// The host's table of kernel-object handles (semaphores, files), shared by
// every service that hands out a HANDLE and by CloseHandle.
#pragma once

#include <cstddef>
#include <memory>

#include "tvhost/win32.h"

namespace tvhost {

enum class HandleKind { Semaphore, File };

// An object behind a handle. Its destructor releases what it holds; it runs
// when the handle is closed and the last user of the object has let it go.
class HandleObject {
public:
    virtual ~HandleObject() = default;
    virtual HandleKind Kind() const = 0;
};

// Most handles open at once in one process; beyond it creation fails the way
// it does when a system runs out of handles.
constexpr std::size_t kMaxOpenHandles = 4096;

// Enters an object into the table. Returns its handle, or 0 when the table is
// full. Handle values are multiples of 4 from 0x100 upward and are not reused
// until the value range wraps, so a stale handle is refused rather than
// mistaken for a newer object. The table is fixed in size: entering,
// finding and removing a handle never allocate.
HANDLE AddHandle(std::shared_ptr<HandleObject> object);

// Lookups ignore the handle's two low tag bits, as the system does.
// The object of an open handle of the given kind; null for a closed, unknown
// or other-kind handle. The caller's reference keeps the object alive even if
// another thread closes the handle meanwhile.
std::shared_ptr<HandleObject> FindHandle(HANDLE handle, HandleKind kind);

// Removes a handle from the table; false when it was not open.
bool RemoveHandle(HANDLE handle);

std::size_t OpenHandleCount();

// Sets the calling thread's last-error value (GetLastError).
void SetError(DWORD code);

}  // namespace tvhost
