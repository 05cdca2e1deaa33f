#include "plan_info.h"

#include <fmt/format.h>

#include <algorithm>

#include "tvcore/card/channel_plans.h"
#include "tvcore/card/tuner.h"

namespace tvctl {

using namespace tvcore::card;

namespace {

// A plan's lowest channel with a carrier, from the library's tables.
constexpr uint32_t FirstCarrierChannel(uint32_t plan) {
    for (uint32_t channel = 0; channel < PlanSize(plan); ++channel)
        if (ChannelDivider(plan, channel) != 0) return channel;
    return 0;
}

}  // namespace

// Built on first use, so that a failure to build them reaches a caller
// rather than the program's start-up.
const PlanInfo &BroadcastPlan() {
    static const PlanInfo plan{kBroadcastPlan, "broadcast", FirstCarrierChannel(kBroadcastPlan), kBroadcastPlanSize - 1};
    return plan;
}
const PlanInfo &CablePlan() {
    static const PlanInfo plan{kCablePlan, "cable", FirstCarrierChannel(kCablePlan), kCablePlanSize - 1};
    return plan;
}

std::optional<PlanInfo> PlanByName(std::string_view name) {
    for (const PlanInfo *plan : {&BroadcastPlan(), &CablePlan()})
        if (name == plan->name) return *plan;
    return std::nullopt;
}

std::optional<ChannelInfo> Channel(const PlanInfo &plan, uint32_t channel) {
    if (channel >= PlanSize(plan.plan)) return std::nullopt;
    // The dividers are the library's constant tables, indexed as its tuning
    // step indexes them; the band codes are the ranges its load step fills in.
    uint16_t divider = static_cast<uint16_t>(PlanDividers(plan.plan)[channel]);
    if (divider == 0) return std::nullopt;
    uint32_t carrier = PictureCarrierKHz(plan.plan, channel);
    return ChannelInfo{channel, carrier, carrier + kIfOffsetKHz, divider, ChannelBandCode(plan.plan, channel)};
}

void TunerBlock(const ChannelInfo &channel, uint8_t out[4]) {
    const tvcore::card::TunerBlock block = MakeTunerBlock(channel.divider, channel.bandCode);
    std::copy(block.begin(), block.end(), out);
}

const char *BandName(uint16_t bandCode) {
    switch (bandCode) {
        case kBandLow: return "low";
        case kBandMid: return "mid";
        case kBandHigh: return "high";
        default: return "?";
    }
}

std::string Mhz(uint32_t kHz) { return fmt::format("{}.{:02}", kHz / 1000, kHz % 1000 / 10); }

std::string NotInPlan(const PlanInfo &plan, uint64_t channel) {
    return fmt::format("channel {} is not in the {} plan ({}-{})", channel, plan.name, plan.firstChannel,
                       plan.lastChannel);
}

}  // namespace tvctl
