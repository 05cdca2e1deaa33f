// The IRC and HRC tables against their rules, proved at compile time.
#include "tvcore/card/cable_tables.h"

#include <initializer_list>

namespace tvcore::card {
namespace {

// Each table has a carrier exactly where the standard cable plan has one,
// within the tuner's range and with a divider that fits its 16 bits; every
// HRC carrier lies on the comb.
constexpr bool TablesFitTheTuner() {
    for (uint32_t channel = 0; channel < kCablePlanSize; ++channel) {
        const bool standard = PictureCarrierKHz(kCablePlan, channel) != 0;
        for (uint64_t carrierHz : {IrcCarrierHz(channel), HrcCarrierHz(channel)}) {
            if ((carrierHz != 0) != standard) return false;
            if (carrierHz == 0) continue;
            if (!CarrierInTunerRange(carrierHz)) return false;
            if ((carrierHz + uint64_t{kIfOffsetKHz} * 1000 + kDividerStepHz / 2) / kDividerStepHz > 0xFFFF) return false;
        }
        if (HrcCarrierHz(channel) % kHrcCombHz != 0) return false;
    }
    return true;
}
static_assert(TablesFitTheTuner());

// The telling rows of the charts.
static_assert(IrcCarrierHz(5) == 79'250'000 && IrcCarrierHz(6) == 85'250'000 && IrcCarrierHz(7) == 175'250'000);
static_assert(HrcCarrierHz(2) == 54'002'700 && HrcCarrierHz(7) == 174'008'700 && HrcCarrierHz(100) == 648'032'400);
static_assert(DividerOfCarrierHz(IrcCarrierHz(5)) == 0x07D0 && DividerOfCarrierHz(HrcCarrierHz(100)) == 0x2B5D);

}  // namespace
}  // namespace tvcore::card
