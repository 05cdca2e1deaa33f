#include "mixer_table.h"

#include <mutex>
#include <type_traits>
#include <vector>

#include "block_slab.h"
#include "tvhost/diag.h"

namespace tvhost {
namespace {

// An open handle's place in the table. The table is a fixed array, one slot
// per open handle at most, so opening and closing a mixer never allocates:
// a handle lives in the slot its value names, and a new handle takes the
// next value (in steps of 4) whose slot is free.
struct MixerSlot {
    HMIXER handle = 0;
    std::shared_ptr<OpenMixer> open;  // null: the slot is free
};

struct MixerState {
    // Serialises loading and resetting, so a driver set is loaded once; it is
    // held while drivers load and count their devices (the only driver calls
    // made under a host lock).
    std::mutex loadLock;
    // Guards the fields below; never held across a driver call.
    std::mutex lock;
    std::shared_ptr<const MixerDriverSet> drivers;
    MixerSlot slots[kMaxOpenMixers];
    std::size_t openCount = 0;
    HMIXER next = kFirstMixerHandle;
};

MixerState &State() {
    static MixerState *state = new MixerState;  // outlives every static destructor that may close a mixer
    return *state;
}

constexpr std::size_t SlotOf(HMIXER handle) { return ((handle - kFirstMixerHandle) >> 2) % kMaxOpenMixers; }

constexpr HMIXER After(HMIXER handle) { return handle >= kLastMixerHandle ? kFirstMixerHandle : handle + 4; }

// The slot that holds `handle` while it is open; null for a value that is
// no open handle. The caller holds the state's lock.
MixerSlot *OpenSlot(MixerState &state, HMIXER handle) {
    if (handle < kFirstMixerHandle || handle > kLastMixerHandle || (handle - kFirstMixerHandle) % 4 != 0)
        return nullptr;
    MixerSlot &slot = state.slots[SlotOf(handle)];
    return slot.open != nullptr && slot.handle == handle ? &slot : nullptr;
}

// The records of open mixers come from a fixed store as well: one block per
// handle the table can hold, and one for a request by device number.
using OpenMixerSlab = BlockSlab<128, kMaxOpenMixers + 1>;
constinit OpenMixerSlab openMixerSlab;
static_assert(std::is_trivially_destructible_v<OpenMixerSlab>, "the store must outlive every open");
OpenMixerSlab &OpenMixerStore() { return openMixerSlab; }

}  // namespace

DWORD OpenMixer::Close() {
    if (closed.exchange(true)) return MMSYSERR_NOERROR;
    return driver->message(localId, MXDM_CLOSE, instance, 0, 0);
}

OpenMixer::~OpenMixer() { Close(); }

std::shared_ptr<const MixerDriverSet> CurrentMixerDrivers() {
    MixerState &state = State();
    {
        std::lock_guard<std::mutex> guard(state.lock);
        if (state.drivers) return state.drivers;
    }
    std::lock_guard<std::mutex> loading(state.loadLock);
    {
        std::lock_guard<std::mutex> guard(state.lock);
        if (state.drivers) return state.drivers;  // another thread loaded them meanwhile
    }
    std::shared_ptr<const MixerDriverSet> loaded = LoadMixerDrivers();
    std::lock_guard<std::mutex> guard(state.lock);
    state.drivers = loaded;
    return loaded;
}

std::shared_ptr<OpenMixer> MakeOpenMixer() {
    return std::allocate_shared<OpenMixer>(SlabAllocator<OpenMixer, OpenMixerSlab, OpenMixerStore>());
}

HMIXER AddOpenMixer(std::shared_ptr<OpenMixer> open) {
    MixerState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.openCount >= kMaxOpenMixers) return 0;
    // A free slot is at most kMaxOpenMixers values away.
    HMIXER handle = state.next;
    while (state.slots[SlotOf(handle)].open != nullptr) handle = After(handle);
    state.next = After(handle);
    MixerSlot &slot = state.slots[SlotOf(handle)];
    slot.handle = handle;
    slot.open = std::move(open);
    ++state.openCount;
    return handle;
}

std::shared_ptr<OpenMixer> FindOpenMixer(HMIXER handle) {
    MixerState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    MixerSlot *slot = OpenSlot(state, handle);
    return slot == nullptr ? nullptr : slot->open;
}

std::shared_ptr<OpenMixer> TakeOpenMixer(HMIXER handle) {
    MixerState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    MixerSlot *slot = OpenSlot(state, handle);
    if (slot == nullptr) return nullptr;
    std::shared_ptr<OpenMixer> open = std::move(slot->open);
    slot->handle = 0;
    --state.openCount;
    return open;
}

std::size_t OpenMixerCount() {
    MixerState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.openCount;
}

void ResetMixers() {
    MixerState &state = State();
    std::lock_guard<std::mutex> loading(state.loadLock);
    std::vector<std::shared_ptr<OpenMixer>> closing;
    std::shared_ptr<const MixerDriverSet> drivers;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        closing.reserve(state.openCount);
        for (MixerSlot &slot : state.slots) {
            if (slot.open == nullptr) continue;
            closing.push_back(std::move(slot.open));
            slot.handle = 0;
        }
        state.openCount = 0;
        drivers = std::move(state.drivers);
        state.drivers = nullptr;
    }
    // Closed outside the table lock; an open that another thread is still
    // using is closed when that thread lets go of it.
    for (std::shared_ptr<OpenMixer> &open : closing) open.reset();
}

}  // namespace tvhost

extern "C" {

uint32_t TvHostOpenMixerHandles(void) { return static_cast<uint32_t>(tvhost::OpenMixerCount()); }

void TvHostMixerReset(void) { tvhost::ResetMixers(); }

}  // extern "C"
