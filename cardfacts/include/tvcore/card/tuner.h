// The tuner module: its bus address, how a channel is programmed (divider,
// band code, the 4-byte block), its range and band edges, its status bit,
// and the pause after a block before the decoder's lock report means
// anything.
#pragma once

#include <array>
#include <cstdint>

namespace tvcore::card {

inline constexpr uint16_t kTunerAddress = 0xC2;  // tuner module (8-bit write form)

// The tuner's local oscillator runs 45.75 MHz above the picture carrier and
// is programmed in steps of 62.5 kHz.
inline constexpr uint32_t kIfOffsetKHz = 45750;
inline constexpr uint32_t kDividerStepHz = 62500;

// Band codes: the tuner's control byte 0x8E over the band byte.
inline constexpr uint16_t kBandLow = 0x8E01;
inline constexpr uint16_t kBandMid = 0x8E02;
inline constexpr uint16_t kBandHigh = 0x8E08;

// The tuner's bands split near 160 MHz and 454 MHz (picture carrier).
inline constexpr uint32_t kMidBandFromKHz = 160000;
inline constexpr uint32_t kHighBandFromKHz = 454000;

// The picture carriers the tuner covers, ends included: what a program may
// ask it to tune by frequency, and where every plan's carriers lie.
inline constexpr uint32_t kLowestCarrierKHz = 44000;
inline constexpr uint32_t kHighestCarrierKHz = 870000;

// True when a picture carrier, in Hz, lies within the tuner's range.
constexpr bool CarrierInTunerRange(uint64_t carrierHz) {
    return carrierHz >= uint64_t{kLowestCarrierKHz} * 1000 && carrierHz <= uint64_t{kHighestCarrierKHz} * 1000;
}

// The band a picture carrier is tuned in.
constexpr uint16_t BandOfCarrier(uint32_t carrierKHz) {
    return carrierKHz < kMidBandFromKHz ? kBandLow : carrierKHz < kHighBandFromKHz ? kBandMid : kBandHigh;
}

// The divider for a picture carrier: the oscillator frequency in 62.5 kHz
// steps; 0 for no carrier.
constexpr uint16_t DividerOfCarrier(uint32_t carrierKHz) {
    if (carrierKHz == 0) return 0;
    return static_cast<uint16_t>((carrierKHz + kIfOffsetKHz) * 1000u / kDividerStepHz);
}

// The block the tuner receives in one write: divider high, divider low,
// control byte, band byte.
using TunerBlock = std::array<uint8_t, 4>;

constexpr TunerBlock MakeTunerBlock(uint16_t divider, uint16_t bandCode) {
    return {static_cast<uint8_t>(divider >> 8), static_cast<uint8_t>(divider), static_cast<uint8_t>(bandCode >> 8),
            static_cast<uint8_t>(bandCode)};
}

// The tuner's status byte (a read of the tuner): this bit is set once its
// oscillator has settled on the programmed frequency.
inline constexpr uint8_t kTunerStatusSettled = 0x40;

// The tuner and the decoder need this long after a block before the
// decoder's lock bit means anything; the library pauses exactly this long.
inline constexpr uint32_t kLockPauseMs = 150;

}  // namespace tvcore::card
