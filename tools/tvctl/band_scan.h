// The full-band scan's walk, apart from any card: the tuner's range (or a
// stretch of it) is walked in coarse strides, and where a point locks, the
// lock window around it is measured one 62.5 kHz tuner step at a time. The
// station is the middle of the strongest part of that window: the points
// with the highest signal (on a card that only reports lock, the whole
// window), the even case settled by the AFC where the card gives one. A
// station is found once, however many coarse points its window holds.
//
// Positions are carrier steps: the picture carrier in 62.5 kHz units
// (44 MHz is step 704), the tuner's own resolution.
#pragma once

#include <csignal>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace tvctl {

inline constexpr uint64_t kCarrierStepHz = 62500;

constexpr uint32_t CarrierStepOfHz(uint64_t hz) {
    return static_cast<uint32_t>((hz + kCarrierStepHz / 2) / kCarrierStepHz);
}
constexpr uint64_t HzOfCarrierStep(uint32_t step) { return uint64_t{step} * kCarrierStepHz; }

// What one tuned point showed.
struct BandReading {
    bool locked = false;
    uint32_t signal = 0;  // 0..65535; a card without a measure gives 65535 at lock
    int32_t afc = 0;      // negative: tuned below the carrier; 0 where the card has none
};

// Tunes one carrier step and reads it; empty when the card failed (the
// probe keeps the reason).
using BandProbe = std::function<std::optional<BandReading>(uint32_t carrierStep)>;

// A lock window is followed this far either way at most (8 MHz, a whole
// channel): a card that reports lock everywhere still ends its scan.
inline constexpr uint32_t kMaxWindowSteps = 128;

struct BandScanOptions {
    uint32_t firstStep = 0, lastStep = 0;  // the stretch walked; a station counts when its carrier is in it
    uint32_t stride = 4;                   // coarse stride in carrier steps
    uint32_t lowestStep = 0, highestStep = 0;  // how far a window may be followed (the tuner's range)
    const volatile std::sig_atomic_t *stop = nullptr;  // set to stop before the next point
};

struct BandStation {
    uint32_t carrierStep = 0;
    uint32_t windowLow = 0, windowHigh = 0;  // the steps that locked around it
    uint32_t signal = 0;                     // at the carrier step
};

struct BandScanResult {
    std::vector<BandStation> stations;  // in carrier order
    uint32_t probes = 0;                // points tuned, coarse and fine
    uint32_t reachedStep = 0;           // the last coarse point walked (0: none)
    bool interrupted = false;
    bool failed = false;  // the probe failed; the walk stopped there
    double seconds = 0;
};

// Called after each coarse point with the result so far.
using BandProgress = std::function<void(uint32_t coarseStep, const BandScanResult &soFar)>;

BandScanResult RunBandScan(const BandScanOptions &options, const BandProbe &probe, const BandProgress &progress);

}  // namespace tvctl
