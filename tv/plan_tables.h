// The tables the tuning step indexes, per plan: the constant dividers of the
// card's channel plans, and the band codes, which the load step fills in.
#pragma once

#include <cstdint>

#include "tvcore/card/channel_plans.h"

// A plan's band codes, one 32-bit entry per channel with the upper half
// unused; all 0 until InitBandTables runs.
extern uint32_t broadcastBandCodes[tvcore::card::kBroadcastPlanSize];
extern uint32_t cableBandCodes[tvcore::card::kCablePlanSize];

// The tables of a plan as the tuning step indexes them.
struct PlanTables {
    const uint32_t *dividers;
    const uint32_t *bandCodes;
    uint32_t entries;
};

// The tables of plan `plan`; NULL when it is no plan.
const PlanTables *FindPlan(uint32_t plan);

// Fills the band-code tables of both plans from the plans' band ranges. Run
// once at process attach.
void InitBandTables();
