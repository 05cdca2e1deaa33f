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

}  // namespace tvi2c
