// The simulated mixer's settings, read from the environment.
#pragma once

#include <cstdint>

namespace tvmixsim {

struct SimConfig {
    uint32_t devices = 1;        // TVMIXSIM_DEVICES, 0..kMaxDevices
    bool auxLine = true;         // cleared by TVMIXSIM_NO_AUX
    bool auxVolume = true;       // cleared by TVMIXSIM_NO_VOLUME
    bool auxMute = true;         // cleared by TVMIXSIM_NO_MUTE
    uint32_t volumeMin = 0;      // TVMIXSIM_VOLUME_MIN
    uint32_t volumeMax = 65535;  // TVMIXSIM_VOLUME_MAX
    uint32_t openResult = 0;     // TVMIXSIM_OPEN_RESULT
};

constexpr uint32_t kMaxDevices = 8;

// Reads the settings. A number that does not parse (or a device count above
// kMaxDevices, or bounds with min > max) keeps its default; a flag counts as
// set when it holds anything but "0".
SimConfig ReadSimConfig();

}  // namespace tvmixsim
