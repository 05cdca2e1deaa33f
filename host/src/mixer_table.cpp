#include "mixer_table.h"

#include <mutex>
#include <unordered_map>
#include <vector>

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
    std::shared_ptr<const MixerDriverSet> drivers;
    std::unordered_map<HMIXER, std::shared_ptr<OpenMixer>> open;
    HMIXER next = kFirstMixerHandle;
};

MixerState &State() {
    static MixerState *state = new MixerState;  // outlives every static destructor that may close a mixer
    return *state;
}

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

HMIXER AddOpenMixer(std::shared_ptr<OpenMixer> open) {
    MixerState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.open.size() >= kMaxOpenMixers) return 0;
    HMIXER handle = state.next;
    while (state.open.count(handle) != 0)
        handle = handle >= kLastMixerHandle ? kFirstMixerHandle : handle + 4;
    state.next = handle >= kLastMixerHandle ? kFirstMixerHandle : handle + 4;
    state.open.emplace(handle, std::move(open));
    return handle;
}

std::shared_ptr<OpenMixer> FindOpenMixer(HMIXER handle) {
    MixerState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    auto it = state.open.find(handle);
    return it == state.open.end() ? nullptr : it->second;
}

std::shared_ptr<OpenMixer> TakeOpenMixer(HMIXER handle) {
    MixerState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    auto it = state.open.find(handle);
    if (it == state.open.end()) return nullptr;
    std::shared_ptr<OpenMixer> open = std::move(it->second);
    state.open.erase(it);
    return open;
}

std::size_t OpenMixerCount() {
    MixerState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.open.size();
}

void ResetMixers() {
    MixerState &state = State();
    std::lock_guard<std::mutex> loading(state.loadLock);
    std::vector<std::shared_ptr<OpenMixer>> closing;
    std::shared_ptr<const MixerDriverSet> drivers;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        for (auto &entry : state.open) closing.push_back(std::move(entry.second));
        state.open.clear();
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
