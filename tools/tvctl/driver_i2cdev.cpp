#include "driver_i2cdev.h"

#include <fmt/format.h>
#include <stdlib.h>

#include "driver_file.h"
#ifdef TVCTL_HAVE_I2CDEV
#include "tvi2cdev.h"
#endif

namespace tvctl {

void UseI2cDevAdapter(const std::string &device, const std::string &adapter) {
    if (!device.empty()) setenv("TVI2C_DEVICE", device.c_str(), 1);
    if (!adapter.empty()) setenv("TVI2C_ADAPTER", adapter.c_str(), 1);
}

std::string I2cDevAdapterHint() {
    return "the i2c-dev bus did not connect: name the card's adapter with --i2c-device PATH or "
           "--i2c-adapter NAME (\"tvctl i2c adapters\" lists them), and check access to its /dev/i2c-N";
}

bool ListI2cAdapters(const std::string &moduleDir, std::vector<I2cAdapter> &adapters, std::string &where,
                     std::string &error) {
    const char *root = getenv("TVI2C_SYSFS_ROOT");
    where = root != nullptr && *root != '\0' ? root : "/sys/class/i2c-adapter";
#ifdef TVCTL_HAVE_I2CDEV
    // The driver module itself lists what it sees; it needs no card and no
    // library for that.
    int32_t count = 0;
    if (!UseDriverCall<decltype(&::TvI2cListAdapters)>(
            moduleDir, "i2cdev/tvbus16.so", "i2c-dev bus driver", "TvI2cListAdapters", "offers no adapter listing",
            error, [&](auto list) {
                count = list(
                    [](const char *path, const char *name, void *context) {
                        static_cast<std::vector<I2cAdapter> *>(context)->push_back({path, name});
                        return 1;
                    },
                    &adapters);
            }))
        return false;
    if (count < 0) {
        error = fmt::format("the adapter directory {} cannot be read: is the i2c-dev kernel module loaded "
                            "(modprobe i2c-dev)?",
                            where);
        return false;
    }
    return true;
#else
    (void)moduleDir;
    (void)adapters;
    error = "the adapter listing is not available: this build has no i2c-dev bus driver";
    return false;
#endif
}

}  // namespace tvctl
