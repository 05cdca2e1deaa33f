// tvctl's options for the i2c-dev bus driver (i2cdev/tvbus16.so,
// tvi2cdev.h): which settings they set, and the adapter listing it asks the
// driver for. The driver's results and refusals are in its own words
// (tvbusDescribeResult, tvbusRefusalReason).
#pragma once

#include <string>
#include <vector>

namespace tvctl {

// --i2c-device and --i2c-adapter as the driver's settings (TVI2C_DEVICE,
// TVI2C_ADAPTER); an empty one is left as the environment has it.
void UseI2cDevAdapter(const std::string &device, const std::string &adapter);

// How to choose another adapter, for a refused load.
std::string I2cDevAdapterHint();

struct I2cAdapter {
    std::string path, name;
};

// The adapters the driver in `moduleDir`/i2cdev sees. False, with `error`
// a sentence, when it cannot tell; `where` is the directory it looked in.
bool ListI2cAdapters(const std::string &moduleDir, std::vector<I2cAdapter> &adapters, std::string &where,
                     std::string &error);

}  // namespace tvctl
