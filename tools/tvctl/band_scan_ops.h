// scan --all on a card: each point tuned with the tuner block and judged by
// the decoder's lock bit as the fast channel scan judges it (scan.h), with
// the signal and AFC of VIDIOC_G_TUNER where the card is a V4L2 device; the
// progress on standard error; the record and its text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "band_scan.h"
#include "band_stations.h"
#include "commands.h"
#include "scan.h"

namespace tvctl {

// The stretch walked and the coarse stride, in Hz.
struct BandStretch {
    uint64_t fromHz = uint64_t{tvcore::card::kLowestCarrierKHz} * 1000;
    uint64_t toHz = uint64_t{tvcore::card::kHighestCarrierKHz} * 1000;
    uint64_t stepHz = 250'000;  // the tables' carriers lie on this grid from 44 MHz (not the upper HRC ones)
};

struct BandScanRun {
    BandScanResult result;
    std::vector<NamedStation> stations;
    std::string error;  // why the walk stopped, when the card failed
};

// Walks the stretch on the session's card; `probe` holds the plan (for the
// names) and the lock polling (tunerStatus, graceMs, pollMs, stop).
BandScanRun ScanBand(Session &session, const TvCalls &tv, const ScanOptions &probe, const BandStretch &stretch,
                     bool quiet);

// The highest carrier the walk vouches for: the stretch's end, or where it
// stopped.
uint64_t WalkedToHz(const BandStretch &stretch, const BandScanRun &run);

void RecordBandScan(Reply &reply, const PlanInfo &plan, const BandStretch &stretch, const BandScanRun &run);
std::string BandScanText(const Record &record);

}  // namespace tvctl
