// The V4L2 bus driver's tuner exports (tvv4l2_tuner.h) as tvctl reaches
// them: on the bus module the library loaded, so they act on the device the
// library drives; and the device listing, from the driver's file alone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "session.h"
#include "tvv4l2_tuner.h"

namespace tvctl {

struct V4l2TunerCalls {
    decltype(&TvV4l2ListStandards) listStandards;
    decltype(&TvV4l2GetStandard) getStandard;
    decltype(&TvV4l2SetStandard) setStandard;
    decltype(&TvV4l2ReadTuner) readTuner;
    decltype(&TvV4l2SetAudioMode) setAudioMode;
};

// The exports of the loaded library's bus driver; empty when the bus is not
// the V4L2 driver (or the library is not loaded).
std::optional<V4l2TunerCalls> V4l2Tuner(const Session &session);

// A failed call's error class in the driver's words.
std::string V4l2Failure(const Session &session, uint32_t errorClass);

// The device's standards, in its order; empty with `error` set on failure.
std::vector<TvV4l2Standard> V4l2Standards(const Session &session, const V4l2TunerCalls &calls, std::string &error);

// Every V4L2 device with a tuner, as the driver in `moduleDir`/v4l2 lists
// them. False, with `error` a sentence, when the driver cannot be asked.
bool ListV4l2Devices(const std::string &moduleDir, std::vector<TvV4l2DeviceInfo> &devices, std::string &error);

}  // namespace tvctl
