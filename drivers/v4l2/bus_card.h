// The device the bus driver serves and the roles it gave the device's
// inputs, for the capture, which opens the same node.
#pragma once

#include <limits.h>

namespace tvv4l2 {

struct BusCard {
    char path[PATH_MAX];  // the node the bus driver opened
    char card[33];        // its card name
    int tunerInput;       // V4L2 input numbers, kNoInput (card_map.h) when none
    int compositeInput;
    int svideoInput;
};

// The connected bus's device; false when the bus is not connected.
bool ConnectedCard(BusCard &out);

}  // namespace tvv4l2
