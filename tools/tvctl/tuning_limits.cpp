#include "tuning_limits.h"

#include <fmt/format.h>

#include "plan_info.h"

namespace tvctl {

std::string CarrierProblem(uint64_t carrierHz) {
    if (carrierHz >= kLowestCarrierHz && carrierHz <= kHighestCarrierHz) return "";
    return fmt::format("{} MHz is outside the tuner's range ({}-{} MHz)", MhzOfHz(carrierHz),
                       MhzOfHz(kLowestCarrierHz), MhzOfHz(kHighestCarrierHz));
}

std::string FineProblem(int64_t steps) {
    if (steps >= -kFineLimit && steps <= kFineLimit) return "";
    return fmt::format("fine tuning {:+} is beyond {} steps (2 MHz) either way", steps, kFineLimit);
}

}  // namespace tvctl
