#include "driver_i2cdev.h"

#include <fmt/format.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>

#include "module_lookup.h"
#include "numbers.h"
#include "tvhost/diag.h"
#ifdef TVCTL_HAVE_I2CDEV
#include "tvi2cdev.h"
#endif

namespace tvctl {

std::string I2cDevErrorClass(uint32_t errorClass) {
#ifdef TVCTL_HAVE_I2CDEV
    switch (errorClass) {
        case TVI2C_ERR_NOT_OPEN: return "no adapter is open";
        case TVI2C_ERR_BAD_DEVICE: return "the device word is not an 8-bit address";
        case TVI2C_ERR_BAD_REGISTER: return "the register word is not 8-bit";
        case TVI2C_ERR_NULL_BLOCK: return "the block pointer was NULL";
        case TVI2C_ERR_BAD_COUNT: return "the block length is 0 or above 8192 bytes";
        case TVI2C_ERR_SHORT: return "the kernel did fewer messages than were sent";
        case TVI2C_ERR_UNKNOWN: return "the transfer failed with an unexpected error";
        default: break;
    }
#endif
    if (errorClass >= 1 && errorClass <= 0xEF) {
        const char *name = strerrordesc_np(static_cast<int>(errorClass));
        std::string text = fmt::format("the kernel answered errno {} ({})", errorClass, name ? name : "unknown");
        if (errorClass == 121 || errorClass == 6) text += ": no device acknowledged";
        return text;
    }
    return fmt::format("error class {}", Hex(errorClass));
}

void UseI2cDevAdapter(const std::string &device, const std::string &adapter) {
    if (!device.empty()) setenv("TVI2C_DEVICE", device.c_str(), 1);
    if (!adapter.empty()) setenv("TVI2C_ADAPTER", adapter.c_str(), 1);
}

std::string I2cDevConnectFailure() {
    return "the i2c-dev bus did not connect: name the card's adapter with --i2c-device PATH or "
           "--i2c-adapter NAME (\"tvctl i2c adapters\" lists them), and check access to its /dev/i2c-N";
}

bool IsI2cDevDriver(HMODULE busModule) { return GetProcAddress(busModule, "TvI2cListAdapters") != nullptr; }

bool ListI2cAdapters(const std::string &moduleDir, std::vector<I2cAdapter> &adapters, std::string &where,
                     std::string &error) {
    const char *root = getenv("TVI2C_SYSFS_ROOT");
    where = root != nullptr && *root != '\0' ? root : "/sys/class/i2c-adapter";
#ifdef TVCTL_HAVE_I2CDEV
    std::string driver = moduleDir + "/i2cdev/tvbus16.so";
    std::error_code missing;
    if (moduleDir.empty() || !std::filesystem::is_regular_file(driver, missing)) {
        error = "the i2c-dev bus driver is not installed next to tvctl" +
                (moduleDir.empty() ? std::string() : " (" + driver + ")");
        return false;
    }
    // The driver module itself lists what it sees; it needs no card and no
    // library for that.
    HMODULE module = LoadLibraryA(driver.c_str());
    if (module == nullptr) {
        error = fmt::format("the i2c-dev bus driver could not be loaded: {}", TvHostLastLoadError());
        return false;
    }
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
