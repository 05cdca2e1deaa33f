// The i2c-dev driver chosen by the module path: with its directory ahead of
// the module directory, LoadLibraryA("tvcore.dll") links the library to it
// rather than to the simulated card, and a missing adapter refuses the load.
#include <stdlib.h>

#include "driver_fixture.h"
#include "support/test_env.h"
#include "tvcore.h"
#include "tvhost/diag.h"
#include "tvhost/win32.h"

namespace tvtest {
namespace {

class LibraryModule : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        setenv("TVHOST_PATH", (DriverDir() + ":" + ModuleDir()).c_str(), 1);
        Fake().nodes[kFakeDevice];
        Fake().AddDevice(0x44);
    }
    void TearDown() override {
        DriverTest::TearDown();
        UseBuildTreeHost();
    }
};

TEST_F(LibraryModule, DriverDirectoryFirstOnThePathCarriesTheLibrarysBus) {
    setenv("TVI2C_DEVICE", kFakeDevice, 1);
    HMODULE library = LoadLibraryA("tvcore.dll");
    ASSERT_NE(library, nullptr);
    auto write = reinterpret_cast<PFN_I2C_Write>(reinterpret_cast<void (*)()>(GetProcAddress(library, "I2C_Write")));
    ASSERT_NE(write, nullptr);
    EXPECT_EQ(write(0x88, 0x0C, 0x1FE), 0u);
    EXPECT_EQ(Fake().transfers, (std::vector<SentTransfer>{{{0x44, 0, 2, {0x0C, 0xFE}}}}));
    EXPECT_TRUE(FreeLibrary(library));
    EXPECT_TRUE(Fake().openFds.empty()) << "unloading the library closes the adapter";
}

// The first tvbus16 on the path is the one linked: a refusing i2c-dev driver
// is not passed over for the simulated card behind it.
TEST_F(LibraryModule, MissingAdapterRefusesTheLoad) {
    setenv("TVI2C_DEVICE", "/dev/i2c-9", 1);
    EXPECT_EQ(LoadLibraryA("tvcore.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_DLL_INIT_FAILED);
    std::string loadError = TvHostLastLoadError();
    EXPECT_TRUE(loadError.ends_with("tvcore.so: the bus driver refused: cannot open /dev/i2c-9: No such file or directory"))
        << loadError;
    std::string lines;
    for (const std::string &line : DebugLines()) lines += line + "\n";
    EXPECT_NE(lines.find("tvi2cdev: cannot open /dev/i2c-9"), std::string::npos) << lines;
    EXPECT_NE(lines.find("ret FALSE"), std::string::npos) << lines;
}

}  // namespace
}  // namespace tvtest
