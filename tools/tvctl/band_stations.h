// What a full-band scan's stations are called, and how they go into the
// station list: a station within 1 MHz of a channel of the plan is that
// channel (with the fine offset to its best tuning); any other is kept as
// its frequency.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "band_scan.h"
#include "plan_info.h"
#include "station_list.h"

namespace tvctl {

// How far from a channel's carrier a station still takes its name, and how
// near two tunings must be to be one station.
inline constexpr uint64_t kSameStationHz = 1'000'000;

struct NamedStation {
    BandStation found;
    uint64_t carrierHz = 0;
    std::string channel{};  // the channel's name; "": known by its frequency
    int32_t fine = 0;      // steps from the channel's own tuning
};

// The name of the plan's channel whose carrier lies nearest (within
// kSameStationHz), else "".
std::string NearestPlanChannel(const PlanInfo &plan, uint64_t carrierHz);

std::vector<NamedStation> NameStations(const PlanInfo &plan, const std::vector<BandStation> &stations);

// The list after a scan of the carriers lowHz..highHz that found `found`:
// the old file's lines as they were, less the stations tuned within the
// stretch that no station found lies near now, plus a line for each station
// found that the list has no station near: PLAN CHANNEL [FINE] named
// PLAN-CHANNEL, or freq MHZ named freq-MHZ (-2, -3 ... when the name is
// taken). planStations counts the list's stations of the stretch.
ScanMerge MergeBandScan(const StationList &old, const PlanInfo &plan, uint64_t lowHz, uint64_t highHz,
                        const std::vector<NamedStation> &found);

}  // namespace tvctl
