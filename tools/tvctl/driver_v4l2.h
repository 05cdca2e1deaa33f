// Everything tvctl knows of the V4L2 bus and mixer drivers (v4l2/tvbus16.so,
// tvmixv4l2.so, tvv4l2.h): their error classes and settings.
#pragma once

#include <cstdint>
#include <string>

#include "tvhost/win32.h"

namespace tvctl {

// What an error class of the bus driver's results (bits 8..15) means.
std::string V4l2ErrorClass(uint32_t errorClass);

// --v4l2-device as the driver's setting: a path names the node
// (TVV4L2_DEVICE), anything else the card's name (TVV4L2_CARD).
void UseV4l2Device(const std::string &device);

// Why the bus did not connect, for a refused load.
std::string V4l2ConnectFailure();

// Whether a loaded bus driver module is the V4L2 driver.
bool IsV4l2Driver(HMODULE busModule);

}  // namespace tvctl
