// Which V4L2 device the bus driver opens, from its settings: TVV4L2_DEVICE
// (a path), else TVV4L2_CARD (a card name), else the one device with a tuner.
#pragma once

#include <limits.h>

namespace tvv4l2 {

struct DeviceChoice {
    int fd;                  // the open device, checked for a tuner; -1 when refused
    char path[PATH_MAX];     // the device's path, when opened
    char card[33];           // the card name it reports, when opened
    char reason[512];        // when refused: why, as one line without its ending
};

DeviceChoice OpenChosenDevice();

}  // namespace tvv4l2
