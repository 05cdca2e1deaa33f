// Semaphores, the timed wait on them, and Sleep.
//
// A semaphore is a count guarded by a mutex; waiters block on a condition
// variable against a deadline on the monotonic clock, so a wait costs no CPU
// and is not disturbed by changes of the wall clock. Semaphores are made in
// a fixed store (block_slab.h), so a tune's create-wait-close allocates
// nothing.
#include <errno.h>
#include <time.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <type_traits>

#include "block_slab.h"
#include "handles.h"
#include "tvhost/win32.h"

namespace tvhost {
namespace {

class Semaphore final : public HandleObject {
public:
    Semaphore(LONG initial, LONG maximum) : count_(initial), maximum_(maximum) {}
    HandleKind Kind() const override { return HandleKind::Semaphore; }

    // Takes one count, waiting up to `milliseconds` (INFINITE: for ever).
    DWORD Wait(DWORD milliseconds) {
        std::unique_lock<std::mutex> guard(lock_);
        auto available = [this] { return count_ > 0; };
        if (milliseconds == INFINITE) {
            changed_.wait(guard, available);
        } else {
            auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
            if (!changed_.wait_until(guard, deadline, available)) return WAIT_TIMEOUT;
        }
        --count_;
        return WAIT_OBJECT_0;
    }

    // Adds `release` to the count unless that would pass the maximum.
    bool Release(LONG release, LONG *previous) {
        std::lock_guard<std::mutex> guard(lock_);
        if (release > maximum_ - count_) return false;
        if (previous != nullptr) *previous = count_;
        count_ += release;
        changed_.notify_all();
        return true;
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    LONG count_;
    const LONG maximum_;
};

// Room for this many semaphores at once without the heap; a tune holds one
// for its pause. A block holds a semaphore with its shared-ownership record.
using SemaphoreSlab = BlockSlab<256, 64>;
constinit SemaphoreSlab semaphoreSlab;
static_assert(std::is_trivially_destructible_v<SemaphoreSlab>, "the store must outlive every semaphore");
SemaphoreSlab &SemaphoreStore() { return semaphoreSlab; }

std::shared_ptr<Semaphore> MakeSemaphore(LONG initial, LONG maximum) {
    return std::allocate_shared<Semaphore>(SlabAllocator<Semaphore, SemaphoreSlab, SemaphoreStore>(), initial,
                                           maximum);
}

std::shared_ptr<Semaphore> FindSemaphore(HANDLE handle) {
    return std::static_pointer_cast<Semaphore>(FindHandle(handle, HandleKind::Semaphore));
}

}  // namespace
}  // namespace tvhost

extern "C" {

// Unnamed semaphores only: the library never shares one between processes,
// and the host has no namespace of kernel objects to look a name up in.
HANDLE WINAPI CreateSemaphoreA(LPSECURITY_ATTRIBUTES /*attributes*/, LONG initialCount, LONG maximumCount,
                               LPCSTR name) {
    if (name != nullptr && name[0] != '\0') {
        tvhost::SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount) {
        tvhost::SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    try {
        HANDLE handle = tvhost::AddHandle(tvhost::MakeSemaphore(initialCount, maximumCount));
        if (handle == 0) {
            tvhost::SetError(ERROR_NOT_ENOUGH_MEMORY);  // the process is out of handles
            return 0;
        }
        tvhost::SetError(ERROR_SUCCESS);
        return handle;
    } catch (const std::bad_alloc &) {
        tvhost::SetError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}

BOOL WINAPI ReleaseSemaphore(HANDLE semaphore, LONG releaseCount, LONG *previousCount) {
    std::shared_ptr<tvhost::Semaphore> object = tvhost::FindSemaphore(semaphore);
    if (object == nullptr) {
        tvhost::SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (releaseCount <= 0) {
        tvhost::SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!object->Release(releaseCount, previousCount)) {
        tvhost::SetError(ERROR_TOO_MANY_POSTS);
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    // The reference keeps the semaphore alive even if another thread closes
    // the handle during the wait.
    std::shared_ptr<tvhost::Semaphore> object = tvhost::FindSemaphore(handle);
    if (object == nullptr) {
        tvhost::SetError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return object->Wait(milliseconds);
}

void WINAPI Sleep(DWORD milliseconds) {
    if (milliseconds == INFINITE) {
        for (;;) Sleep(INFINITE - 1);
    }
    struct timespec remaining;
    remaining.tv_sec = static_cast<time_t>(milliseconds / 1000u);
    remaining.tv_nsec = static_cast<long>(milliseconds % 1000u) * 1000000L;
    // A signal cuts nanosleep short; sleep out the rest.
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

}  // extern "C"
