// Bus and mixer traffic in words: what a bus driver's result means, and how
// a transaction of the simulated card's log or a call of the simulated
// mixer's log reads.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "tvmixsim.h"
#include "tvsim.h"

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

// One transaction of the simulated card's log, as a line (times relative to
// `startUs`), and as JSON.
std::string FormatTransaction(const TvSimTransaction &entry, uint64_t startUs);
nlohmann::ordered_json TransactionJson(const TvSimTransaction &entry);

// One message of the simulated mixer's log, as a line and as JSON.
std::string FormatMixerCall(const TvMixSimCall &call);
nlohmann::ordered_json MixerCallJson(const TvMixSimCall &call);

// A mixer result code's name ("MIXERR_INVALVALUE").
std::string MixerResultName(uint32_t result);

}  // namespace tvctl
