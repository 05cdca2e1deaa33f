// The device the bus holds, for the driver's exports beside the bus calls:
// a request runs under the bus's lock, on the open device and the V4L2 tuner
// of its tuner input.
#pragma once

#include <cstdint>

namespace tvv4l2 {

// Runs `use` on the held device and answers what it answers;
// TVV4L2_ERR_NOT_OPEN without calling it when no device is held.
uint32_t WithHeldDevice(uint32_t (*use)(int fd, uint32_t tuner, void *context), void *context);

}  // namespace tvv4l2
