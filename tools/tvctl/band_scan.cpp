#include "band_scan.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>

namespace tvctl {

namespace {

enum class Outcome { Read, Failed, Stopped };

class Walk {
public:
    Walk(const BandScanOptions &options, const BandProbe &probe, BandScanResult &result)
        : options_(options), probe_(probe), result_(result) {}

    // The point's reading, tuning it only the first time.
    Outcome Read(uint32_t step, BandReading &reading) {
        if (auto known = readings_.find(step); known != readings_.end()) {
            reading = known->second;
            return Outcome::Read;
        }
        if (options_.stop != nullptr && *options_.stop) return Outcome::Stopped;
        std::optional<BandReading> read = probe_(step);
        ++result_.probes;
        if (!read) return Outcome::Failed;
        reading = *read;
        readings_[step] = reading;
        return Outcome::Read;
    }

    // Follows the lock from `from` (locked) one step at a time towards
    // `direction`; `edge` is the last locked step.
    Outcome Follow(uint32_t from, int direction, uint32_t &edge) {
        edge = from;
        for (uint32_t i = 0; i < kMaxWindowSteps; ++i) {
            if (direction < 0 ? edge <= options_.lowestStep : edge >= options_.highestStep) break;
            uint32_t next = direction < 0 ? edge - 1 : edge + 1;
            BandReading reading;
            if (Outcome outcome = Read(next, reading); outcome != Outcome::Read) return outcome;
            if (!reading.locked) break;
            edge = next;
        }
        return Outcome::Read;
    }

    // The middle of the longest run of the window's strongest points; of
    // two middles, the one the AFC puts nearer (else the lower).
    BandStation Best(uint32_t low, uint32_t high) const {
        uint32_t strongest = 0;
        for (uint32_t step = low; step <= high; ++step) strongest = std::max(strongest, readings_.at(step).signal);
        uint32_t runLow = low, runLength = 0;
        for (uint32_t step = low, length = 0; step <= high; ++step) {
            length = readings_.at(step).signal == strongest ? length + 1 : 0;
            if (length > runLength) {
                runLow = step + 1 - length;
                runLength = length;
            }
        }
        uint32_t middle = runLow + (runLength - 1) / 2;
        if (runLength % 2 == 0 && std::abs(readings_.at(middle + 1).afc) < std::abs(readings_.at(middle).afc)) ++middle;
        return BandStation{middle, low, high, readings_.at(middle).signal};
    }

private:
    const BandScanOptions &options_;
    const BandProbe &probe_;
    BandScanResult &result_;
    std::map<uint32_t, BandReading> readings_;
};

}  // namespace

BandScanResult RunBandScan(const BandScanOptions &options, const BandProbe &probe, const BandProgress &progress) {
    BandScanResult result;
    const auto start = std::chrono::steady_clock::now();
    Walk walk(options, probe, result);
    Outcome outcome = Outcome::Read;  // how the last point (or window) was read
    const uint32_t stride = std::max<uint32_t>(options.stride, 1);
    for (uint32_t step = options.firstStep; step <= options.lastStep; step += stride) {
        BandReading reading;
        if (outcome = walk.Read(step, reading); outcome != Outcome::Read) break;
        result.reachedStep = step;
        if (reading.locked) {
            uint32_t low = step, high = step;
            outcome = walk.Follow(step, -1, low);
            if (outcome == Outcome::Read) outcome = walk.Follow(step, +1, high);
            if (outcome != Outcome::Read) break;
            BandStation station = walk.Best(low, high);
            if (station.carrierStep >= options.firstStep && station.carrierStep <= options.lastStep)
                result.stations.push_back(station);
            // On past the window: its coarse points would find it again.
            while (step + stride <= high) step += stride;
            result.reachedStep = std::max(step, high);
        }
        if (progress) progress(step, result);
        if (options.lastStep - step < stride) break;  // the next stride would pass the end (or wrap)
    }
    result.interrupted = outcome == Outcome::Stopped;
    result.failed = outcome == Outcome::Failed;
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}

}  // namespace tvctl
