#include "driver_fixture.h"

#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>

#include <sstream>

#include "support/test_env.h"

namespace tvtest {
namespace {

void *Symbol(void *module, const char *name) {
    void *symbol = dlsym(module, name);
    if (symbol == nullptr) {
        fprintf(stderr, "the i2c-dev driver does not export %s\n", name);
        abort();
    }
    return symbol;
}

DriverModule LoadDriver() {
    std::string file = DriverDir() + "/tvbus16.so";
    void *module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        fprintf(stderr, "cannot load %s: %s\n", file.c_str(), dlerror());
        abort();
    }
    DriverModule driver{};
    driver.block = static_cast<ThunkData16 *>(Symbol(module, "thk_ThunkData16"));
    driver.setSysCalls = reinterpret_cast<void (*)(const TvI2cSysCalls *)>(Symbol(module, "TvI2cSetSysCalls"));
    driver.listAdapters =
        reinterpret_cast<int32_t (*)(TvI2cAdapterProc, void *)>(Symbol(module, "TvI2cListAdapters"));
    driver.describeDevice = reinterpret_cast<TvbusDescribeDeviceProc>(Symbol(module, TVBUS_DESCRIBE_DEVICE_NAME));
    driver.refusalReason = reinterpret_cast<TvbusRefusalReasonProc>(Symbol(module, TVBUS_REFUSAL_REASON_NAME));
    driver.describeResult = reinterpret_cast<TvbusDescribeResultProc>(Symbol(module, TVBUS_DESCRIBE_RESULT_NAME));
    return driver;  // kept loaded for the whole process: its state outlives each test
}

}  // namespace

std::string DriverDir() { return ModuleDir() + "/i2cdev"; }

const DriverModule &Driver() {
    static const DriverModule driver = LoadDriver();
    return driver;
}

void DriverTest::SetUp() {
    ResetFake();
    calls_ = FakeSysCalls();
    Driver().setSysCalls(&calls_);
    unsetenv("TVI2C_DEVICE");
    unsetenv("TVI2C_ADAPTER");
    unsetenv("TVI2C_SYSFS_ROOT");
    debugFile_ = MakeTempDir("debug") + "/debug.txt";
    setenv("TVHOST_DEBUG", debugFile_.c_str(), 1);
}

void DriverTest::TearDown() {
    Connect(DLL_PROCESS_DETACH);
    EXPECT_TRUE(Fake().openFds.empty()) << "the driver left a device open";
    Driver().setSysCalls(nullptr);
    unsetenv("TVHOST_DEBUG");
}

void DriverTest::ConnectFakeAdapter() {
    Fake().nodes[kFakeDevice];
    setenv("TVI2C_DEVICE", kFakeDevice, 1);
    ASSERT_EQ(Connect(DLL_PROCESS_ATTACH), 1);
}

uint32_t DriverTest::WriteBlk(uint16_t device, const void *bytes, uint32_t count) {
    DWORD block = SMapLS_IP_EBP_12(bytes);
    uint32_t result = Driver().block->writeBlk(device, block, count);
    SUnMapLS_IP_EBP_12(block);
    return result;
}

std::vector<std::string> DriverTest::DebugLines() const {
    std::vector<std::string> lines;
    std::istringstream text(ReadFile(debugFile_));
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
}

}  // namespace tvtest
