// The card's tuning facts tvctl needs beyond the library's two plans: the
// tuner's band edges, the tuner block's layout and the lock check's pause.
// Kept in this one file so that tvctl takes them from a single place.
#pragma once

#include <cstdint>

#include "tv/channel_plans.h"
#include "tv/decoder_regs.h"

namespace tvctl {

// The tuner's band edges by picture carrier: low band below 160 MHz, mid band
// from there to below 454 MHz, high band above. The library's plans put each
// channel in the band these edges give (cable 63, 457.25 MHz, in the high one).
inline constexpr uint64_t kMidBandFromHz = 160'000'000;
inline constexpr uint64_t kHighBandFromHz = 454'000'000;

// The tuner block: divider high, divider low, control byte, band byte.
inline constexpr uint8_t kTunerControlByte = static_cast<uint8_t>(kBandLow >> 8);  // 0x8E: 62.5 kHz steps
inline constexpr uint8_t kBandByteLow = static_cast<uint8_t>(kBandLow);
inline constexpr uint8_t kBandByteMid = static_cast<uint8_t>(kBandMid);
inline constexpr uint8_t kBandByteHigh = static_cast<uint8_t>(kBandHigh);

// The oscillator runs 45.75 MHz above the picture carrier, in 62.5 kHz steps.
inline constexpr uint64_t kIfOffsetHz = uint64_t{kIfOffsetKHz} * 1000;
inline constexpr uint64_t kStepHz = kDividerStepHz;

// How long the library waits after a tuner block before it asks the
// decoder's status register (kRegStatus, bit kStatusLock) for lock.
inline constexpr uint32_t kLockPauseMs = 150;

// The band code (control byte over band byte) of a picture carrier.
constexpr uint16_t BandCodeOfCarrier(uint64_t carrierHz) {
    return carrierHz < kMidBandFromHz ? kBandLow : carrierHz < kHighBandFromHz ? kBandMid : kBandHigh;
}

}  // namespace tvctl
