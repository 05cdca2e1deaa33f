// The word calls of a bus driver that holds one kernel device (the i2c-dev
// and V4L2 drivers): tvbusDescribeDevice, tvbusRefusalReason and
// tvbusDescribeResult (tvhost/thunk.h), defined once in device_bus.cpp and
// linked into each such module as the objects of tvdriver_device_bus. The
// module says what they answer from by defining kDeviceBus.
#pragma once

#include "bus_device.h"
#include "class_result.h"

namespace tvdrv {

struct DeviceBus {
    const BusDevice &device;  // its device and its last refusal
    ClassWords words;         // its results
};

// Defined by each module that links tvdriver_device_bus.
extern const DeviceBus kDeviceBus;

}  // namespace tvdrv
