#include "band_stations.h"

#include <fmt/format.h>

#include <cctype>
#include <unordered_set>

#include "tvcore/card/tuner.h"

namespace tvctl {

namespace {

uint64_t Distance(uint64_t a, uint64_t b) { return a > b ? a - b : b - a; }

// Where a station of the list is tuned: its channel's carrier (or its
// frequency) moved by its fine offset; 0 for a channel the plan lacks.
uint64_t TunedHz(const Station &station) {
    uint64_t base = station.carrierHz;
    if (!station.channel.empty()) {
        std::optional<PlanInfo> plan = PlanByNumber(station.plan);
        std::optional<ChannelInfo> info = plan ? Channel(*plan, station.channel) : std::nullopt;
        if (!info) return 0;
        base = info->carrierHz;
    }
    return static_cast<uint64_t>(static_cast<int64_t>(base) + int64_t{station.fine} * int64_t{kCarrierStepHz});
}

std::string NameKey(std::string_view name) {
    std::string key(name);
    for (char &c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

}  // namespace

std::string NearestPlanChannel(const PlanInfo &plan, uint64_t carrierHz) {
    const tvcore::card::TableChannel *nearest = tvcore::card::NearestChannel(*plan.table, carrierHz);
    return nearest != nullptr && Distance(nearest->carrierHz, carrierHz) <= kSameStationHz ? std::string(nearest->Name())
                                                                                           : "";
}

std::vector<NamedStation> NameStations(const PlanInfo &plan, const std::vector<BandStation> &stations) {
    std::vector<NamedStation> named;
    for (const BandStation &station : stations) {
        NamedStation one{station, HzOfCarrierStep(station.carrierStep)};
        one.channel = NearestPlanChannel(plan, one.carrierHz);
        if (!one.channel.empty()) {
            // The tuner's own step for the channel: the divider less the IF.
            const int64_t channelStep = int64_t{Channel(plan, one.channel)->divider} -
                                        int64_t{tvcore::card::kIfOffsetKHz} * 1000 / int64_t{kCarrierStepHz};
            one.fine = static_cast<int32_t>(int64_t{station.carrierStep} - channelStep);
        }
        named.push_back(one);
    }
    return named;
}

ScanMerge MergeBandScan(const StationList &old, const PlanInfo &plan, uint64_t lowHz, uint64_t highHz,
                        const std::vector<NamedStation> &found) {
    ScanMerge merge;
    std::vector<bool> dropped(old.lines.size(), false), known(found.size(), false);
    std::unordered_set<std::string> names;
    for (size_t i = 0; i < old.stations.size(); ++i) {
        const Station &station = old.stations[i];
        const uint64_t tuned = TunedHz(station);
        bool near = false;
        for (size_t f = 0; f < found.size(); ++f)
            if (Distance(found[f].carrierHz, tuned) <= kSameStationHz) near = known[f] = true;
        const bool inStretch = tuned >= lowHz && tuned <= highHz;
        if (inStretch && !near) {
            dropped[old.stationLines[i]] = true;  // no station there any more
            continue;
        }
        merge.planStations += inStretch ? 1 : 0;
        names.insert(NameKey(station.name));
        ++merge.total;
    }
    std::vector<Station> added;
    for (size_t f = 0; f < found.size(); ++f) {
        if (known[f]) continue;
        const NamedStation &one = found[f];
        const std::string base =
            !one.channel.empty() ? fmt::format("{}-{}", plan.name, one.channel) : "freq-" + MhzOfHz(one.carrierHz);
        Station station{base, plan.plan, one.channel, one.channel.empty() ? one.carrierHz : 0, one.fine};
        for (int suffix = 2; !names.insert(NameKey(station.name)).second; ++suffix)
            station.name = fmt::format("{}-{}", base, suffix);
        added.push_back(std::move(station));
    }
    merge.planStations += added.size();
    merge.total += added.size();
    merge.text = RescanText(old, dropped, added);
    return merge;
}

}  // namespace tvctl
