// How the simulated tuner reads its programming block: divider -> local
// oscillator -> picture carrier, band byte -> band, and which band a
// carrier belongs to. Pure arithmetic, shared by the card and its tests.
#pragma once

#include <cstdint>

#include "tvsim.h"

namespace tvsim {

// Frequencies are counted in the tuner's 62.5 kHz steps (1/16 MHz).
inline constexpr int32_t kStepsPerMHz = 16;
// The oscillator runs 45.75 MHz above the picture carrier.
inline constexpr int32_t kIfOffsetSteps = 732;
// Band edges in carrier steps: low below 160 MHz, mid below 454 MHz.
inline constexpr int32_t kMidBandStartSteps = 160 * kStepsPerMHz;
inline constexpr int32_t kHighBandStartSteps = 454 * kStepsPerMHz;
// The control byte that selects 62.5 kHz steps; with any other the divider
// means other frequencies and the picture cannot lock.
inline constexpr uint8_t kControlByte = 0x8E;

inline constexpr int32_t CarrierSteps(uint32_t divider) { return static_cast<int32_t>(divider) - kIfOffsetSteps; }

// The band whose range holds the carrier; NONE for a carrier at or below 0.
inline constexpr uint32_t BandOfCarrier(int32_t carrierSteps) {
    if (carrierSteps <= 0) return TVSIM_BAND_NONE;
    if (carrierSteps < kMidBandStartSteps) return TVSIM_BAND_LOW;
    if (carrierSteps < kHighBandStartSteps) return TVSIM_BAND_MID;
    return TVSIM_BAND_HIGH;
}

// The band a band byte selects: exactly one of 0x01, 0x02, 0x08.
inline constexpr uint32_t BandOfBandByte(uint8_t bandByte) {
    switch (bandByte) {
    case 0x01: return TVSIM_BAND_LOW;
    case 0x02: return TVSIM_BAND_MID;
    case 0x08: return TVSIM_BAND_HIGH;
    default: return TVSIM_BAND_NONE;
    }
}

}  // namespace tvsim
