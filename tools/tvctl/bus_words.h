// Bus and mixer results in words: a bus driver's results and device, and a
// mixer driver's reason for serving nothing, each in the driver's own words
// (its optional exports, tvhost/thunk.h and tvhost/mixer_driver.h); the
// mixer's result codes.
#pragma once

#include <cstdint>
#include <string>

#include "tvhost/thunk.h"
#include "tvhost/win32.h"

namespace tvctl {

// A bus driver's word exports; a member is null when the driver lacks it.
struct BusWords {
    TvbusDescribeDeviceProc describeDevice = nullptr;
    TvbusDescribeResultProc describeResult = nullptr;
};

BusWords FindBusWords(HMODULE busModule);

// The device the bus driver drives, in its words ("simulated card",
// "/dev/i2c-3 \"<adapter>\""); "an unknown bus driver" when it says nothing.
std::string BusDevice(const BusWords &words);

// A read's result is the register byte, unless the driver reports a failure
// in the bits above it (or the library has no link).
bool ReadFailed(uint32_t result);

// Why a read failed; "" when it did not.
std::string DescribeReadFailure(const BusWords &words, uint32_t result);

// What a write's (call TVBUS_CALL_WRITE) or block's (TVBUS_CALL_WRITE_BLK)
// nonzero result means; "" for 0 (done).
std::string DescribeWriteResult(const BusWords &words, uint32_t call, uint32_t result);

// Why the mixer drivers named in `drivers` (TVHOST_MIXERS' list) serve no
// TV sound, in their words ("tvmixalsa: no ALSA sound card ..."); "" when
// none says anything.
std::string MixerRefusals(const std::string &drivers);

// The name of a decoder register the library uses ("status", "control"...),
// or "" for another register or device.
const char *RegisterName(uint32_t device, uint32_t reg);

// A mixer result code's name ("MIXERR_INVALVALUE").
std::string MixerResultName(uint32_t result);

}  // namespace tvctl
