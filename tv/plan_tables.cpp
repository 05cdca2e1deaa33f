#include "tv/plan_tables.h"

using namespace tvcore::card;

uint32_t broadcastBandCodes[kBroadcastPlanSize];
uint32_t cableBandCodes[kCablePlanSize];

namespace {

const PlanTables kPlans[kPlanCount] = {
    {broadcastChannelPlan.data(), broadcastBandCodes, kBroadcastPlanSize},
    {cableChannelPlan.data(), cableBandCodes, kCablePlanSize},
};

uint32_t *BandCodesOf(uint32_t plan) { return plan == kBroadcastPlan ? broadcastBandCodes : cableBandCodes; }

}  // namespace

const PlanTables *FindPlan(uint32_t plan) { return plan < kPlanCount ? &kPlans[plan] : nullptr; }

void InitBandTables() {
    for (const BandRange &range : kBandRanges) {
        uint32_t *codes = BandCodesOf(range.plan);
        for (uint32_t channel = range.first; channel <= range.last; ++channel) codes[channel] = range.code;
    }
}
