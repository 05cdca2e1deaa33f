// What the tuner can be asked for, checked the same way whether a value
// comes from the command line, the station list or the tuner record: the
// tuner's 16-bit divider would wrap round for a carrier beyond its range
// and tune another frequency altogether.
#pragma once

#include <cstdint>
#include <string>

namespace tvctl {

// Fine tuning's limit either way, in 62.5 kHz steps (2 MHz).
inline constexpr int32_t kFineLimit = 32;

// "" for a carrier within the tuner's range, else the sentence that says so.
std::string CarrierProblem(uint64_t carrierHz);
// "" for a fine offset within the limit, else the sentence.
std::string FineProblem(int64_t steps);

}  // namespace tvctl
