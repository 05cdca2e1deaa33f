// The tuner's frequency unit (62.5 kHz, 62.5 Hz with V4L2_TUNER_CAP_LOW, 1 Hz
// with V4L2_TUNER_CAP_1HZ) in Hz, and a device's standards as ENUMSTD lists
// them.
#pragma once

#include <cstdint>

#include "tvv4l2_tuner.h"

namespace tvv4l2 {

uint64_t HzOfTunerUnits(uint32_t units, uint32_t capability);

// The device's standards into `out` (at most `capacity`), counted in
// `count`; a device without standards (ENOTTY, ENODATA, or EINVAL at the
// first) gives none and answers 0.
uint32_t ListStandards(int fd, TvV4l2Standard *out, uint32_t capacity, uint32_t &count);

}  // namespace tvv4l2
