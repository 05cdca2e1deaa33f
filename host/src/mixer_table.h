// The host's mixer state: the loaded driver set and the table of open mixer
// handles. Shared by the mixer functions and the diagnostic extensions.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "mixer_drivers.h"

namespace tvhost {

// Mixer handles come from their own range, above every kernel-object handle
// (those stay below 0x80000000) and far from device numbers (below 256), so a
// handle passed as a device number, a device number passed as a handle, or a
// file handle passed as a mixer is refused rather than misread. Values step
// by 4 and are not reused until the range wraps, so a stale handle stays
// invalid.
constexpr HMIXER kFirstMixerHandle = 0xCD580000u;
constexpr HMIXER kLastMixerHandle = 0xFFFFFFF0u;
constexpr std::size_t kMaxOpenMixers = 1024;

// One open of a device. The driver's instance is closed exactly once: by
// Close(), or by the destructor when the last user lets go of an open that
// mixerClose took out of the table while another thread was still calling
// through it. The driver stays loaded while its set is current, which outlasts
// every open (a reset closes them all first).
struct OpenMixer {
    MixerDriver *driver = nullptr;
    UINT localId = 0;          // device number within the driver
    UINT deviceId = 0;         // host device number
    DWORD_PTR instance = 0;    // the driver's per-open value
    std::atomic<bool> closed{false};

    DWORD Close();
    ~OpenMixer();
};

// The current driver set, loaded on first use (once, even when several
// threads ask together). Valid until the next ResetMixers().
const MixerDriverSet &CurrentMixerDrivers();

// A new, empty open record; its memory comes from a fixed store, not the heap.
std::shared_ptr<OpenMixer> MakeOpenMixer();

// Enters an open into the table; its new handle, or 0 when the table is full.
HMIXER AddOpenMixer(std::shared_ptr<OpenMixer> open);

// The open behind a handle; null when the handle is not open. The reference
// keeps the open alive during the caller's request.
std::shared_ptr<OpenMixer> FindOpenMixer(HMIXER handle);

// Removes a handle from the table and hands back its open; null when the
// handle is not open.
std::shared_ptr<OpenMixer> TakeOpenMixer(HMIXER handle);

std::size_t OpenMixerCount();

// Takes the mixer drivers chosen in code (driver_choice.h) when no mixer
// handle is open, letting the loaded drivers go so that the next mixer call
// loads the chosen ones; false, with nothing changed, while a handle is open.
bool ChooseIdleMixerDrivers(std::optional<std::string> drivers);

// Closes every open handle and lets the drivers go; the next mixer call loads
// the drivers that TVHOST_MIXERS names then. No mixer call may be running on
// another thread.
void ResetMixers();

}  // namespace tvhost
