// tvctl's options for the V4L2 bus driver (v4l2/tvbus16.so): which of its
// settings --v4l2-device sets. The driver's results and refusals are in its
// own words (tvbusDescribeResult, tvbusRefusalReason).
#pragma once

#include <string>

namespace tvctl {

// --v4l2-device as the driver's setting: a path names the node
// (TVV4L2_DEVICE), anything else the card's name (TVV4L2_CARD).
void UseV4l2Device(const std::string &device);

// How to choose another device, for a refused load.
std::string V4l2DeviceHint();

}  // namespace tvctl
