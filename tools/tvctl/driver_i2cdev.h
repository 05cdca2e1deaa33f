// Everything tvctl knows of the i2c-dev bus driver (i2cdev/tvbus16.so,
// tvi2cdev.h): its error classes, its settings, and its adapter listing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tvhost/win32.h"

namespace tvctl {

// What an error class of its results (bits 8..15) means.
std::string I2cDevErrorClass(uint32_t errorClass);

// --i2c-device and --i2c-adapter as the driver's settings (TVI2C_DEVICE,
// TVI2C_ADAPTER); an empty one is left as the environment has it.
void UseI2cDevAdapter(const std::string &device, const std::string &adapter);

// Why the bus did not connect, for a refused load.
std::string I2cDevConnectFailure();

// Whether a loaded bus driver module is the i2c-dev driver.
bool IsI2cDevDriver(HMODULE busModule);

struct I2cAdapter {
    std::string path, name;
};

// The adapters the driver in `moduleDir`/i2cdev sees. False, with `error`
// a sentence, when it cannot tell; `where` is the directory it looked in.
bool ListI2cAdapters(const std::string &moduleDir, std::vector<I2cAdapter> &adapters, std::string &where,
                     std::string &error);

}  // namespace tvctl
