// The i2c-dev driver behind the library's own bus link: the library's I2C
// calls, connected through the host as at module load, reach the adapter as
// the kernel would receive them.
#include <stdlib.h>

#include <optional>

#include "bus/bus_link.h"
#include "tv/plan_tables.h"
#include "tv/tuning.h"
#include "driver_fixture.h"
#include "support/test_env.h"
#include "tvcore.h"

namespace tvtest {
namespace {

using namespace tvcore;

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

// A tune reports lock exactly when the decoder answered its status read
// with the lock bit, on both kinds of adapter. A read that failed (decoder
// absent: 0x6FF, whose low byte has the lock bit) is no lock.
TEST_F(LibraryLink, TuneReportsLockOnlyFromAnAnsweredStatusRead) {
    setenv("TVI2C_DEVICE", kFakeDevice, 1);
    struct Case {
        const char *what;
        unsigned long functions;
        std::optional<uint8_t> status;  // the decoder's status register; none: no decoder
        int32_t result;
    } cases[] = {
        {"I2C, lock bit", I2C_FUNC_I2C, 0x40, TV_OK},
        {"I2C, no lock bit", I2C_FUNC_I2C, 0xBF, TV_ERR_NO_LOCK},
        {"I2C, decoder absent", I2C_FUNC_I2C, std::nullopt, TV_ERR_NO_LOCK},
        {"SMBus, lock bit", I2C_FUNC_SMBUS_BYTE_DATA | I2C_FUNC_SMBUS_I2C_BLOCK, 0x40, TV_OK},
        {"SMBus, decoder absent", I2C_FUNC_SMBUS_BYTE_DATA | I2C_FUNC_SMBUS_I2C_BLOCK, std::nullopt, TV_ERR_NO_LOCK},
    };
    InitBandTables();
    for (const Case &c : cases) {
        Fake().nodes[kFakeDevice].functions = c.functions;
        Fake().AddDevice(0x44);
        if (c.status.has_value()) Fake().devices[0x44][0x00] = *c.status;
        else Fake().devices.erase(0x44);
        ASSERT_TRUE(ConnectBusLink(nullptr, DLL_PROCESS_ATTACH)) << c.what;
        EXPECT_EQ(TuneTVChannel(3), c.result) << c.what;
        ConnectBusLink(nullptr, DLL_PROCESS_DETACH);
    }
}

}  // namespace
}  // namespace tvtest
