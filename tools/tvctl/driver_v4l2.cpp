#include "driver_v4l2.h"

#include <stdlib.h>

namespace tvctl {

void UseV4l2Device(const std::string &device) {
    if (device.empty()) return;
    const bool path = device.find('/') != std::string::npos;
    setenv(path ? "TVV4L2_DEVICE" : "TVV4L2_CARD", device.c_str(), 1);
}

std::string V4l2DeviceHint() {
    return "the V4L2 bus did not connect: name the device with --v4l2-device /dev/videoN or the card's name "
           "(v4l2-ctl --list-devices), see docs/v4l2.md";
}

}  // namespace tvctl
