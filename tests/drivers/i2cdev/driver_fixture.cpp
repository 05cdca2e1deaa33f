#include "driver_fixture.h"

#include <stdlib.h>

#include "support/test_env.h"

namespace tvtest {
namespace {

DriverModule LoadDriver() {
    void *module = OpenModuleForLife(DriverDir() + "/tvbus16.so");
    DriverModule driver{};
    driver.block = static_cast<ThunkData16 *>(SymbolOrAbort(module, "thk_ThunkData16"));
    driver.setSysCalls =
        reinterpret_cast<void (*)(const TvI2cSysCalls *)>(SymbolOrAbort(module, "TvI2cSetSysCalls"));
    driver.listAdapters =
        reinterpret_cast<int32_t (*)(TvI2cAdapterProc, void *)>(SymbolOrAbort(module, "TvI2cListAdapters"));
    driver.describeDevice =
        reinterpret_cast<TvbusDescribeDeviceProc>(SymbolOrAbort(module, TVBUS_DESCRIBE_DEVICE_NAME));
    driver.refusalReason =
        reinterpret_cast<TvbusRefusalReasonProc>(SymbolOrAbort(module, TVBUS_REFUSAL_REASON_NAME));
    driver.describeResult =
        reinterpret_cast<TvbusDescribeResultProc>(SymbolOrAbort(module, TVBUS_DESCRIBE_RESULT_NAME));
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

}  // namespace tvtest
