#include "tuning_limits.h"

#include <fmt/format.h>

#include "tvcore/card/tuner.h"

#include "plan_info.h"

namespace tvctl {

std::string CarrierProblem(uint64_t carrierHz) {
    using namespace tvcore::card;
    if (CarrierInTunerRange(carrierHz)) return "";
    return fmt::format("{} MHz is outside the tuner's range ({}-{} MHz)", MhzOfHz(carrierHz),
                       Mhz(kLowestCarrierKHz), Mhz(kHighestCarrierKHz));
}

std::string FineProblem(int64_t steps) {
    if (steps >= -kFineLimit && steps <= kFineLimit) return "";
    return fmt::format("fine tuning {:+} is beyond {} steps (2 MHz) either way", steps, kFineLimit);
}

}  // namespace tvctl
