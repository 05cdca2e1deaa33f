// Which tuner record a run uses: one per bus and device, so that a run on
// the simulated card never moves a real card's record. The device is the one
// the user names (--v4l2-device, --i2c-device, --i2c-adapter, or their
// settings); "" when the driver is left to find the only one.
#pragma once

#include <string>

#include "host_setup.h"

namespace tvctl {

struct TunerRecordKey {
    std::string bus;     // "sim", "i2cdev" or "v4l2"
    std::string device;  // as named; "" for the driver's own choice
};

// The bus tvctl's options choose, or, without --bus, the one the user's
// TVHOST_PATH puts first (its first directory named i2cdev or v4l2).
TunerRecordKey RecordKeyOfHost(const HostOptions &options);

// The record's file name in tvctl's state directory: "tuner" for the
// simulated card (where the single record of earlier versions was kept, so
// that record becomes the simulated card's), else "tuner-BUS" or
// "tuner-BUS-DEVICE" with the device's name made safe: letters, digits and
// "._+-" stay, every other byte becomes %XX (so two names never meet), and a
// long name is cut with a hash of the whole.
std::string TunerRecordFileName(const TunerRecordKey &key);

}  // namespace tvctl
