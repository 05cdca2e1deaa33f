// The library's bus calls and connect step when the link cannot stand.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "bus/bus_link.h"
#include "support/simcard_access.h"
#include "support/test_env.h"
#include "tvcore.h"
#include "tvhost/diag.h"
#include "tvhost/thunk.h"

namespace {

class NoLink : public ::testing::Test {
protected:
    // Another suite in this process may have linked already.
    void SetUp() override { ConnectBusLink(nullptr, DLL_PROCESS_DETACH); }
    void TearDown() override {
        ConnectBusLink(nullptr, DLL_PROCESS_DETACH);
        tvtest::UseBuildTreeHost();
        tvtest::SimCard().RestoreDefaults();
    }
};

void ExpectNothingCrosses() {
    const uint8_t block[4] = {0x06, 0x50, 0x8E, 0x01};
    uint64_t before = tvtest::SimCard().LogTotal();
    uint32_t live = TvHostLiveTranslations();
    EXPECT_EQ(I2C_Read(0x88, 0x00), TV_I2C_NO_LINK);
    EXPECT_EQ(I2C_Write(0x88, 0x0A, 0x80), TV_I2C_NO_LINK);
    EXPECT_EQ(I2C_WriteBlk(0xC2, block, 4), TV_I2C_NO_LINK);
    EXPECT_EQ(tvtest::SimCard().LogTotal(), before);
    EXPECT_EQ(TvHostLiveTranslations(), live);
}

TEST_F(NoLink, BusCallsAnswerNoLinkWhileUnlinked) { ExpectNothingCrosses(); }

TEST_F(NoLink, MissingDriverRefusesTheLink) {
    setenv("TVHOST_PATH", tvtest::MakeTempDir("empty-module-dir").c_str(), 1);
    EXPECT_FALSE(ConnectBusLink(nullptr, DLL_PROCESS_ATTACH));
    EXPECT_EQ(thk_ThunkData32.linked, 0u);
    ExpectNothingCrosses();
}

TEST_F(NoLink, UnavailableBusRefusesTheLink) {
    tvtest::SimCard().SetBusAvailable(0);
    EXPECT_FALSE(ConnectBusLink(nullptr, DLL_PROCESS_ATTACH));
    ExpectNothingCrosses();
}

TEST_F(NoLink, BadDriverBlockRefusesTheLink) {
    setenv("TVHOST_PATH", (tvtest::ModuleDir() + "/test-bus-drivers/bad-count").c_str(), 1);
    EXPECT_FALSE(ConnectBusLink(nullptr, DLL_PROCESS_ATTACH));
    ExpectNothingCrosses();
}

TEST_F(NoLink, DetachEndsTheLinkAndTheCallsStopCrossing) {
    ASSERT_TRUE(ConnectBusLink(nullptr, DLL_PROCESS_ATTACH));
    EXPECT_TRUE(ConnectBusLink(nullptr, DLL_THREAD_ATTACH));
    EXPECT_EQ(I2C_Write(0x88, 0x0A, 0x80), TVSIM_OK);
    EXPECT_TRUE(ConnectBusLink(nullptr, DLL_PROCESS_DETACH));
    ExpectNothingCrosses();
}

}  // namespace
