// Bus and mixer results in words: what a bus driver's result means (each
// driver's own words come from its driver_*.cpp), and the mixer's result
// codes.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>


namespace tvctl {

// Which bus driver the library is linked to; the meaning of results differs.
enum class BusKind { Simulated, I2cDev, V4l2, Other };

const char *BusKindName(BusKind kind);

// A read's result is the register byte, unless the driver reports a failure
// in the bits above it (or the library has no link).
bool ReadFailed(uint32_t result);

// Why a read failed; "" when it did not.
std::string DescribeReadFailure(BusKind kind, uint32_t result);

// What a write's or block's nonzero result means; "" for 0 (done).
std::string DescribeWriteResult(BusKind kind, uint32_t result);

// The name of a decoder register the library uses ("status", "control"...),
// or "" for another register or device.
const char *RegisterName(uint32_t device, uint32_t reg);

// A mixer result code's name ("MIXERR_INVALVALUE").
std::string MixerResultName(uint32_t result);

}  // namespace tvctl
