// The two channel plans: for each channel number, its picture carrier, the
// tuner's divider (worked out at compile time from the plans' carrier rules)
// and its band code.
//
// The constexpr lookups below give the same figures for any plan and
// channel, for the library's tuning tables, for tools that list the plans and
// for checks at compile time (channel_plans.cpp).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "tvcore/card/tuner.h"

namespace tvcore::card {

// Plan numbers, as TvState.sourcePlan selects them.
inline constexpr uint32_t kBroadcastPlan = 0;  // broadcast channels 2-69
inline constexpr uint32_t kCablePlan = 1;      // standard cable channels 1-125
inline constexpr uint32_t kPlanCount = 2;

// Entries per plan, indexed directly by channel number.
inline constexpr uint32_t kBroadcastPlanSize = 70;  // 0..69
inline constexpr uint32_t kCablePlanSize = 126;     // 0..125

// A run of channels whose picture carriers lie 6 MHz apart.
struct CarrierRun {
    uint32_t plan, first, last;
    uint32_t firstCarrierKHz;
};

inline constexpr uint32_t kChannelSpacingKHz = 6000;

inline constexpr CarrierRun kCarrierRuns[] = {
    // Broadcast: VHF low (2-4, 5-6), VHF high (7-13), UHF (14-69).
    {kBroadcastPlan, 2, 4, 55250},
    {kBroadcastPlan, 5, 6, 77250},
    {kBroadcastPlan, 7, 13, 175250},
    {kBroadcastPlan, 14, 69, 471250},
    // Cable: 2-13 share the broadcast carriers; the rest fill the gaps
    // between and above them.
    {kCablePlan, 1, 1, 73250},
    {kCablePlan, 2, 4, 55250},
    {kCablePlan, 5, 6, 77250},
    {kCablePlan, 7, 13, 175250},
    {kCablePlan, 14, 22, 121250},
    {kCablePlan, 23, 36, 217250},
    {kCablePlan, 37, 94, 301250},
    {kCablePlan, 95, 99, 91250},
    {kCablePlan, 100, 125, 649250},
};

// A run of channels sharing one band code. The library's load step fills its
// band tables in this order: plan 0 first, each plan from its lowest range
// upward.
struct BandRange {
    uint32_t plan, first, last;
    uint16_t code;
};

inline constexpr BandRange kBandRanges[] = {
    {kBroadcastPlan, 0, 6, kBandLow},
    {kBroadcastPlan, 7, 13, kBandMid},
    {kBroadcastPlan, 14, 69, kBandHigh},
    {kCablePlan, 0, 6, kBandLow},
    {kCablePlan, 7, 13, kBandMid},
    {kCablePlan, 14, 20, kBandLow},
    {kCablePlan, 21, 62, kBandMid},
    // Channel 63 (457.25 MHz) sits between the mid and the high ranges. Its
    // carrier lies above the tuner's mid/high band edge near 454 MHz, so it
    // is tuned in the high band with the channels after it.
    {kCablePlan, 63, 94, kBandHigh},
    {kCablePlan, 95, 99, kBandLow},
    {kCablePlan, 100, 125, kBandHigh},
};

// Entries of a plan; 0 for a number that is no plan.
constexpr uint32_t PlanSize(uint32_t plan) {
    return plan == kBroadcastPlan ? kBroadcastPlanSize : plan == kCablePlan ? kCablePlanSize : 0;
}

// Picture carrier of a channel in kHz; 0 where the plan has no carrier (the
// channel's divider is then 0) or the channel is outside the plan.
constexpr uint32_t PictureCarrierKHz(uint32_t plan, uint32_t channel) {
    for (const CarrierRun &run : kCarrierRuns)
        if (run.plan == plan && channel >= run.first && channel <= run.last)
            return run.firstCarrierKHz + kChannelSpacingKHz * (channel - run.first);
    return 0;
}

constexpr uint16_t ChannelDivider(uint32_t plan, uint32_t channel) {
    return DividerOfCarrier(PictureCarrierKHz(plan, channel));
}

// Band code of a channel; 0 outside the plan.
constexpr uint16_t ChannelBandCode(uint32_t plan, uint32_t channel) {
    for (const BandRange &range : kBandRanges)
        if (range.plan == plan && channel >= range.first && channel <= range.last) return range.code;
    return 0;
}

// A plan's dividers, one 32-bit entry per channel with the upper half 0.
template <std::size_t N>
using ChannelPlan = std::array<uint32_t, N>;

template <std::size_t N>
constexpr ChannelPlan<N> BuildChannelPlan(uint32_t plan) {
    ChannelPlan<N> dividers{};
    for (uint32_t channel = 0; channel < N; ++channel) dividers[channel] = ChannelDivider(plan, channel);
    return dividers;
}

inline constexpr ChannelPlan<kBroadcastPlanSize> broadcastChannelPlan = BuildChannelPlan<kBroadcastPlanSize>(kBroadcastPlan);
inline constexpr ChannelPlan<kCablePlanSize> cableChannelPlan = BuildChannelPlan<kCablePlanSize>(kCablePlan);

// A plan's constant divider table; nullptr when `plan` is no plan.
constexpr const uint32_t *PlanDividers(uint32_t plan) {
    return plan == kBroadcastPlan ? broadcastChannelPlan.data() : plan == kCablePlan ? cableChannelPlan.data() : nullptr;
}

}  // namespace tvcore::card
