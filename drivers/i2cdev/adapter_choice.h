// Which adapter the driver opens, from its settings: TVI2C_DEVICE (a device
// path), else TVI2C_ADAPTER (an adapter name), else none.
#pragma once

#include <limits.h>

#include <cstddef>

namespace tvi2c {

struct AdapterChoice {
    bool chosen;
    char devicePath[PATH_MAX];  // the device to open, when chosen
    char reason[512];           // when not chosen: why, as one line without its ending
};

AdapterChoice ChooseAdapter();

// The name of the adapter whose device is `devicePath`, into `name`; "" when
// no adapter in the adapter directory has that device.
void AdapterNameOf(const char *devicePath, char *name, std::size_t size);

}  // namespace tvi2c
