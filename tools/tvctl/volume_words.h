// A volume as a user types it for `audio volume`: a value on the mixer's own
// scale (40000), a share of the control's range (50%), or a change of the
// current volume (+5%, -5%, +1000, -1000).
#pragma once

#include <cstdint>
#include <string_view>

#include "numbers.h"

namespace tvctl {

struct VolumeWords {
    bool relative = false;  // a change of the current volume (+ or -)
    bool down = false;      // ... downwards
    bool percent = false;   // `amount` is a percentage (0..100) of the range
    uint64_t amount = 0;
};

// Refuses anything else, and percentages above 100, with a sentence.
Parsed<VolumeWords> ParseVolumeWords(std::string_view text);

// The volume to set for `words` on a control whose bounds are min..max and
// whose volume is now `current`: a percentage is rounded to the nearest value
// of the range, a change stops at the range's ends (`clamped` says so), and
// an absolute value is taken as given (the mixer judges it).
uint64_t VolumeTarget(const VolumeWords &words, uint32_t min, uint32_t max, uint32_t current, bool *clamped);

}  // namespace tvctl
