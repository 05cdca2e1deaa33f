#include "driver_i2cdev.h"

#include <fmt/format.h>
#include <stdlib.h>

#include <cstring>

#include "driver_file.h"
#include "module_lookup.h"
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
    HMODULE module = LoadDriverFile(moduleDir, "i2cdev/tvbus16.so", "i2c-dev bus driver", error);
    if (module == nullptr) return false;
    decltype(&::TvI2cListAdapters) list = nullptr;
    if (!LookUp(module, "TvI2cListAdapters", list)) {
        FreeLibrary(module);
        error = "the i2c-dev bus driver offers no adapter listing";
        return false;
    }
    int32_t count = list(
        [](const char *path, const char *name, void *context) {
            static_cast<std::vector<I2cAdapter> *>(context)->push_back({path, name});
            return 1;
        },
        &adapters);
    FreeLibrary(module);
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
