// The i2c-dev driver behind the library's own bus link: the library's I2C
// calls, connected through the host as at module load, reach the adapter as
// the kernel would receive them.
#include <stdlib.h>

#include "bus/bus_link.h"
#include "driver_fixture.h"
#include "support/test_env.h"
#include "tvcore.h"

namespace tvtest {
namespace {

// The module path names only the i2c-dev driver's directory, so the link
// can find no other tvbus16.
class LibraryLink : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        setenv("TVHOST_PATH", DriverDir().c_str(), 1);
        Fake().nodes[kFakeDevice];
        Fake().AddDevice(0x44);
        Fake().AddDevice(0x61);
    }
    void TearDown() override {
        ConnectBusLink(nullptr, DLL_PROCESS_DETACH);
        DriverTest::TearDown();
        UseBuildTreeHost();
    }
};

TEST_F(LibraryLink, RegisterAndBlockCallsReachTheAdapter) {
    setenv("TVI2C_DEVICE", kFakeDevice, 1);
    ASSERT_TRUE(ConnectBusLink(nullptr, DLL_PROCESS_ATTACH));
    EXPECT_TRUE(ConnectBusLink(nullptr, DLL_THREAD_ATTACH));

    EXPECT_EQ(I2C_Write(0x88, 0x0C, 0x1FE), 0u);
    EXPECT_EQ(I2C_Read(0x88, 0x0C), 0xFEu);
    const uint8_t program[4] = {0x0B, 0x2A, 0x8E, 0xA0};
    EXPECT_EQ(I2C_WriteBlk(0xC2, program, 4), 0u);
    EXPECT_EQ(Fake().transfers, (std::vector<SentTransfer>{
                                    {{0x44, 0, 2, {0x0C, 0xFE}}},
                                    {{0x44, 0, 1, {0x0C}}, {0x44, I2C_M_RD, 1, {}}},
                                    {{0x61, 0, 4, {0x0B, 0x2A, 0x8E, 0xA0}}},
                                }));

    EXPECT_TRUE(ConnectBusLink(nullptr, DLL_PROCESS_DETACH));
    EXPECT_TRUE(Fake().openFds.empty()) << "process detach closes the adapter";
}

// The library's NULL block crosses as 0; the driver answers it without
// touching memory and without sending.
TEST_F(LibraryLink, NullBlockThroughTheLibraryIsRefusedUnsent) {
    setenv("TVI2C_DEVICE", kFakeDevice, 1);
    ASSERT_TRUE(ConnectBusLink(nullptr, DLL_PROCESS_ATTACH));
    EXPECT_EQ(I2C_WriteBlk(0xC2, nullptr, 4), TVI2C_WRITE_FAILURE(TVI2C_ERR_NULL_BLOCK));
    EXPECT_EQ(Fake().rdwrCalls, 0);
}

TEST_F(LibraryLink, MissingAdapterRefusesTheLink) {
    setenv("TVI2C_DEVICE", "/dev/i2c-9", 1);
    EXPECT_FALSE(ConnectBusLink(nullptr, DLL_PROCESS_ATTACH));
    EXPECT_EQ(I2C_Write(0x88, 0x0C, 0x1FE), TV_I2C_NO_LINK);
    EXPECT_EQ(Fake().rdwrCalls, 0);
}

}  // namespace
}  // namespace tvtest
