// The mixer driver modules behind the host's mixer functions: which modules
// TVHOST_MIXERS names, loading them, and numbering their devices in order.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tvhost/mixer_driver.h"

namespace tvhost {

// One loaded driver module, loaded as long as its driver set lives.
struct MixerDriver {
    HMODULE module = nullptr;      // from LoadHostModule
    MxdMessageProc message = nullptr;
    UINT deviceCount = 0;          // its MXDM_GETNUMDEVS answer at load

    MixerDriver() = default;
    MixerDriver(const MixerDriver &) = delete;
    MixerDriver &operator=(const MixerDriver &) = delete;
    ~MixerDriver();
};

// The drivers of one load, in device order.
struct MixerDriverSet {
    std::vector<std::unique_ptr<MixerDriver>> drivers;
    UINT deviceCount = 0;  // all drivers' devices together

    // The driver serving host device number `device` and the device's number
    // within that driver; null when the number is out of range.
    MixerDriver *Locate(UINT device, UINT &localId) const;
};

// The driver names in device order: the list chosen in code, else
// TVHOST_MIXERS, split at commas (blanks around a name are dropped, empty
// entries skipped), else the installation's default mixer driver.
std::vector<std::string> MixerDriverNames();

// A driver list as TVHOST_MIXERS writes it, split as above.
std::vector<std::string> SplitDriverList(const std::string &list);

// Loads one driver by module name or path through the host loader. Null when
// the module cannot be loaded or does not export mxdMessage, with the
// thread's last error and TvHostLastLoadError() saying why; such a driver is
// skipped.
std::unique_ptr<MixerDriver> LoadMixerDriver(const std::string &name);

// Loads every driver that MixerDriverNames() lists and asks each for its
// device count. Drivers must not call the host's mixer functions while they
// are being loaded or counted.
std::unique_ptr<const MixerDriverSet> LoadMixerDrivers();

}  // namespace tvhost
