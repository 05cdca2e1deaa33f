// The plans' tables against their rules, proved at compile time: the file
// compiles to nothing, and a table that breaks a rule fails the build.
#include "tvcore/card/channel_plans.h"

namespace tvcore::card {
namespace {

constexpr bool CarrierRunsFitTheirPlans() {
    for (const CarrierRun &run : kCarrierRuns)
        if (run.first > run.last || run.last >= PlanSize(run.plan)) return false;
    return true;
}
static_assert(CarrierRunsFitTheirPlans());

// Every carrier is a whole number of MHz plus 0.25, so every divider is a
// whole number of steps and fits the tuner's 16 bits.
constexpr bool DividersAreWhole() {
    for (uint32_t plan = 0; plan < kPlanCount; ++plan)
        for (uint32_t channel = 0; channel < PlanSize(plan); ++channel) {
            uint32_t carrier = PictureCarrierKHz(plan, channel);
            if (carrier == 0) continue;
            if (carrier % 1000 != 250 || (carrier + kIfOffsetKHz) * 1000u % kDividerStepHz != 0 ||
                (carrier + kIfOffsetKHz) * 1000u / kDividerStepHz > 0xFFFF)
                return false;
        }
    return true;
}
static_assert(DividersAreWhole());

// Every index of a plan lies in exactly one band range.
constexpr bool BandRangesCoverEachChannelOnce() {
    for (uint32_t plan = 0; plan < kPlanCount; ++plan)
        for (uint32_t channel = 0; channel < PlanSize(plan); ++channel) {
            int covering = 0;
            for (const BandRange &range : kBandRanges)
                if (range.plan == plan && channel >= range.first && channel <= range.last) ++covering;
            if (covering != 1) return false;
        }
    for (const BandRange &range : kBandRanges)
        if (range.first > range.last || range.last >= PlanSize(range.plan)) return false;
    return true;
}
static_assert(BandRangesCoverEachChannelOnce());

// The telling rows of the plans.
static_assert(broadcastChannelPlan[0] == 0 && broadcastChannelPlan[1] == 0);
static_assert(broadcastChannelPlan[2] == 0x0650);
static_assert(broadcastChannelPlan[7] == 0x0DD0);
static_assert(broadcastChannelPlan[14] == 0x2050);
static_assert(broadcastChannelPlan[69] == 0x34F0);
static_assert(cableChannelPlan[0] == 0);
static_assert(cableChannelPlan[1] == 0x0770);
static_assert(cableChannelPlan[14] == 0x0A70);
static_assert(cableChannelPlan[37] == 0x15B0);
static_assert(cableChannelPlan[63] == 0x1F70);
static_assert(cableChannelPlan[95] == 0x0890);
static_assert(cableChannelPlan[125] == 0x34D0);
static_assert(ChannelBandCode(kCablePlan, 56) == kBandMid && ChannelBandCode(kCablePlan, 87) == kBandHigh);
static_assert(ChannelBandCode(kCablePlan, 95) == kBandLow && ChannelBandCode(kCablePlan, 112) == kBandHigh);

// Every carrier of a plan lies within the tuner's range, and the highest
// carrier the tuner takes still has a 16-bit divider.
constexpr bool CarriersInTunerRange() {
    for (uint32_t plan = 0; plan < kPlanCount; ++plan)
        for (uint32_t channel = 0; channel < PlanSize(plan); ++channel) {
            uint32_t carrier = PictureCarrierKHz(plan, channel);
            if (carrier != 0 && !CarrierInTunerRange(uint64_t{carrier} * 1000)) return false;
        }
    return true;
}
static_assert(CarriersInTunerRange());
static_assert((kHighestCarrierKHz + kIfOffsetKHz) * 1000u / kDividerStepHz <= 0xFFFF);
static_assert(CarrierInTunerRange(44'000'000) && !CarrierInTunerRange(43'999'999));
static_assert(CarrierInTunerRange(870'000'000) && !CarrierInTunerRange(870'000'001));

// Each channel with a carrier is tuned in the band its carrier falls in.
constexpr bool BandCodesMatchCarriers() {
    for (uint32_t plan = 0; plan < kPlanCount; ++plan)
        for (uint32_t channel = 0; channel < PlanSize(plan); ++channel) {
            uint32_t carrier = PictureCarrierKHz(plan, channel);
            if (carrier != 0 && ChannelBandCode(plan, channel) != BandOfCarrier(carrier)) return false;
        }
    return true;
}
static_assert(BandCodesMatchCarriers());

// The block's byte order: divider high, divider low, control, band.
static_assert(MakeTunerBlock(0x1F70, kBandHigh) == TunerBlock{0x1F, 0x70, 0x8E, 0x08});

}  // namespace
}  // namespace tvcore::card
