// The I2C adapters the kernel shows in its adapter directory
// (/sys/class/i2c-adapter/i2c-N, each with a "name" file), walked in
// ascending adapter number.
#pragma once

#include <cstddef>

namespace tvi2c {

// Long enough for any adapter name the kernel keeps (48 bytes) and for the
// device path of any adapter number.
constexpr std::size_t kAdapterNameSize = 128;
constexpr std::size_t kDevicePathSize = 32;

struct Adapter {
    unsigned long number;
    char devicePath[kDevicePathSize];  // /dev/i2c-N
    char name[kAdapterNameSize];       // "" when the name file cannot be read
};

// TVI2C_SYSFS_ROOT when set (for tests), else /sys/class/i2c-adapter.
const char *AdapterDir();

// Calls `visit` for each adapter in ascending number until it answers false.
// Answers how many adapters were visited, or -1 when the adapter directory
// cannot be opened.
int ForEachAdapter(bool (*visit)(const Adapter &adapter, void *context), void *context);

}  // namespace tvi2c
