#include "mixer_table.h"

#include <mutex>
#include <type_traits>
#include <vector>

#include "block_slab.h"
#include "driver_choice.h"
#include "handle_table.h"
#include "host_module.h"
#include "tvhost/diag.h"

namespace tvhost {
namespace {

struct MixerState {
    // Serialises loading and resetting, so a driver set is loaded once; it is
    // held while drivers load and count their devices (the only driver calls
    // made under a host lock).
    std::mutex loadLock;
    // Guards the fields below; never held across a driver call.
    std::mutex lock;
    std::unique_ptr<const MixerDriverSet> drivers;
    HandleTable<HMIXER, OpenMixer, kFirstMixerHandle, kLastMixerHandle, kMaxOpenMixers> handles;
};

MixerState &State() {
    static MixerState *state = new MixerState;  // outlives every static destructor that may close a mixer
    return *state;
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

const MixerDriverSet &CurrentMixerDrivers() {
    MixerState &state = State();
    {
        std::lock_guard<std::mutex> guard(state.lock);
        if (state.drivers) return *state.drivers;
    }
    // The drivers load and unload under the loader lock, taken before the
    // mixer's own, as in a module's entry routine that calls a mixer function.
    std::lock_guard<std::recursive_mutex> modules(HostModuleLock());
    std::lock_guard<std::mutex> loading(state.loadLock);
    {
        std::lock_guard<std::mutex> guard(state.lock);
        if (state.drivers) return *state.drivers;  // another thread loaded them meanwhile
    }
    std::unique_ptr<const MixerDriverSet> loaded = LoadMixerDrivers();
    std::lock_guard<std::mutex> guard(state.lock);
    state.drivers = std::move(loaded);
    return *state.drivers;
}

std::shared_ptr<OpenMixer> MakeOpenMixer() {
    return std::allocate_shared<OpenMixer>(SlabAllocator<OpenMixer, OpenMixerSlab, OpenMixerStore>());
}

HMIXER AddOpenMixer(std::shared_ptr<OpenMixer> open) {
    MixerState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.handles.Add(std::move(open));
}

std::shared_ptr<OpenMixer> FindOpenMixer(HMIXER handle) {
    MixerState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.handles.Find(handle);
}

std::shared_ptr<OpenMixer> TakeOpenMixer(HMIXER handle) {
    MixerState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.handles.Take(handle);
}

std::size_t OpenMixerCount() {
    MixerState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.handles.OpenCount();
}

bool ChooseIdleMixerDrivers(std::optional<std::string> drivers) {
    MixerState &state = State();
    std::lock_guard<std::recursive_mutex> modules(HostModuleLock());
    std::lock_guard<std::mutex> loading(state.loadLock);
    std::shared_ptr<const MixerDriverSet> loaded;  // let go outside the table lock
    {
        std::lock_guard<std::mutex> guard(state.lock);
        if (state.handles.OpenCount() > 0) return false;
        ChooseMixerDriverList(std::move(drivers));
        loaded = std::move(state.drivers);
        state.drivers = nullptr;
    }
    return true;
}

void ResetMixers() {
    MixerState &state = State();
    std::lock_guard<std::recursive_mutex> modules(HostModuleLock());
    std::lock_guard<std::mutex> loading(state.loadLock);
    std::vector<std::shared_ptr<OpenMixer>> closing;
    std::unique_ptr<const MixerDriverSet> drivers;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        closing.reserve(state.handles.OpenCount());
        state.handles.TakeAll([&closing](std::shared_ptr<OpenMixer> open) { closing.push_back(std::move(open)); });
        drivers = std::move(state.drivers);
    }
    // Every open is closed, outside the table lock, before its driver goes.
    for (std::shared_ptr<OpenMixer> &open : closing) open->Close();
    closing.clear();
    drivers.reset();
}

}  // namespace tvhost

extern "C" {

uint32_t TvHostOpenMixerHandles(void) { return static_cast<uint32_t>(tvhost::OpenMixerCount()); }

void TvHostMixerReset(void) { tvhost::ResetMixers(); }

}  // extern "C"
