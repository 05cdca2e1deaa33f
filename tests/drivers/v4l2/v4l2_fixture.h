// The V4L2 drivers loaded from the build tree with the fake V4L2 in place of
// the kernel: the bus driver's block and the mixer driver's entry.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_v4l2.h"
#include "support/bus_block.h"
#include "support/test_env.h"
#include "tvhost/mixer_driver.h"
#include "tvhost/thunk.h"

namespace tvtest {

std::string V4l2BusDir();
std::string V4l2MixerPath();
ThunkData16 &V4l2Bus();
MxdMessageProc V4l2Mixer();
// An export of the bus or the mixer driver, as its function type.
template <typename Proc>
Proc V4l2BusExport(const char *name);
template <typename Proc>
Proc V4l2MixerExport(const char *name);

// Each test starts with a fresh fake in both drivers, no driver settings, a
// Windows directory of its own and the debug channel going to a file; it
// ends with the bus detached, no device left open and the real calls back.
class V4l2Test : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    int32_t Connect(uint32_t reason) { return V4l2Bus().connect(reason); }
    uint32_t Read(uint16_t device, uint16_t reg) { return V4l2Bus().read(device, reg); }
    uint32_t Write(uint16_t device, uint16_t reg, uint16_t value) { return V4l2Bus().write(device, reg, value); }
    uint32_t WriteBlk(uint16_t device, const void *bytes, uint32_t count) {
        return WriteBlockAcrossTheLink(V4l2Bus(), device, bytes, count);
    }

    std::vector<std::string> DebugLines() const { return ReadLines(debugFile_); }
    std::string windowsDir_;

private:
    TvV4l2SysCalls calls_{};
    std::string debugFile_;
};

}  // namespace tvtest
