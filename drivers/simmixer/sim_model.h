// The simulated mixer's devices: lines with component types, their controls
// and the controls' per-channel values.
#pragma once

#include <cstdint>
#include <vector>

#include "sim_config.h"
#include "tvhost/win32.h"

namespace tvmixsim {

constexpr uint32_t kChannels = 2;        // every line is stereo
constexpr DWORD kNoSource = 0xFFFFFFFFu; // dwSource of a destination line

struct SimControl {
    DWORD id = 0;  // unique within the device, never 0
    DWORD type = 0;
    DWORD min = 0, max = 0;
    DWORD values[kChannels] = {0, 0};
};

struct SimLine {
    DWORD id = 0;
    DWORD destination = 0;
    DWORD source = kNoSource;
    DWORD componentType = 0;
    DWORD targetType = MIXERLINE_TARGETTYPE_UNDEFINED;
    const char *shortName = "";
    const char *name = "";
    std::vector<SimControl> controls;
};

struct SimDevice {
    std::vector<SimLine> lines;  // destinations first, then the sources in order

    SimLine *FindLine(DWORD lineId);
    SimLine *FindDestination(DWORD destination);
    SimLine *FindSource(DWORD destination, DWORD source);
    DWORD ConnectionCount(DWORD destination) const;
    // A control and the line it belongs to; null when the id is unknown.
    SimControl *FindControl(DWORD controlId, SimLine **owner = nullptr);
};

// Builds device `index` from the settings:
//   destination 0 "Speakers": volume, mute; sources wave, CD, line,
//     microphone, auxiliary (each with volume and mute);
//   destination 1 "Recording": volume; sources microphone and line (volume).
// The settings remove the auxiliary line or its volume or mute control.
SimDevice BuildDevice(const SimConfig &config, uint32_t index);

}  // namespace tvmixsim
