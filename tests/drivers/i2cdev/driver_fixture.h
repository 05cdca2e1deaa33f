// The i2c-dev bus driver as the link sees it, loaded from the build tree
// with the fake adapter in place of the kernel.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_adapter.h"
#include "support/bus_block.h"
#include "support/test_env.h"
#include "tvhost/thunk.h"
#include "tvi2cdev.h"

namespace tvtest {

struct DriverModule {
    ThunkData16 *block;
    void (*setSysCalls)(const TvI2cSysCalls *);
    int32_t (*listAdapters)(TvI2cAdapterProc, void *);
    TvbusDescribeDeviceProc describeDevice;
    TvbusRefusalReasonProc refusalReason;
    TvbusDescribeResultProc describeResult;
};

// The driver's directory in the build tree, and the driver loaded from it
// (once per process; aborts when the module or an export is missing).
std::string DriverDir();
const DriverModule &Driver();

// Each test starts with a fresh fake installed, no driver settings, and the
// debug channel going to a file of its own; it ends with the adapter closed
// and the real system calls back.
class DriverTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    static constexpr const char *kFakeDevice = "/dev/i2c-7";

    int32_t Connect(uint32_t reason) { return Driver().block->connect(reason); }
    // Opens the fake device kFakeDevice through TVI2C_DEVICE.
    void ConnectFakeAdapter();

    uint32_t Read(uint16_t device, uint16_t reg) { return Driver().block->read(device, reg); }
    uint32_t Write(uint16_t device, uint16_t reg, uint16_t value) {
        return Driver().block->write(device, reg, value);
    }
    // Hands `bytes` across as the link does: a 16:16 value for this call only.
    uint32_t WriteBlk(uint16_t device, const void *bytes, uint32_t count) {
        return WriteBlockAcrossTheLink(*Driver().block, device, bytes, count);
    }

    // The lines written to the debug channel so far.
    std::vector<std::string> DebugLines() const { return ReadLines(debugFile_); }

private:
    TvI2cSysCalls calls_{};
    std::string debugFile_;
};

}  // namespace tvtest
