// The library's three bus calls, through the link to the simulated card.
#include <gtest/gtest.h>

#include <vector>

#include "support/link_fixture.h"
#include "tvcore.h"
#include "tvhost/diag.h"
#include "tvhost/thunk.h"

namespace spinetest {
namespace {

using BusLink = SpineTest;

TEST_F(BusLink, WideWriteValueCrossesWholeAndTheRegisterKeepsItsLowByte) {
    EXPECT_EQ(I2C_Write(0x88, 0x0C, 0x1FE), TVSIM_OK);
    EXPECT_EQ(Ops(), (std::vector<Op>{Write(0x0C, 0x1FE)}));
    EXPECT_EQ(Registers()[0x0C], 0xFE);
    EXPECT_EQ(I2C_Read(0x88, 0x0C), 0xFEu);
}

TEST_F(BusLink, ArgumentsLoseTheirBitsAbove15BeforeTheyCross) {
    const uint8_t block[4] = {0x12, 0x34, 0x8E, 0x02};
    I2C_Write(0xABCD0088, 0xFFFF000F, 0x123401FE);
    I2C_Read(0x00010088, 0x8000000F);
    I2C_WriteBlk(0xFFFF00C2, block, 4);
    EXPECT_EQ(Ops(), (std::vector<Op>{{TVSIM_OP_WRITE, 0x88, 0x0F, 0x01FE},
                                      {TVSIM_OP_READ, 0x88, 0x0F, 0},
                                      {TVSIM_OP_BLOCK, 0xC2, 0, 4}}));
    EXPECT_EQ(Registers()[0x0F], 0xFE);
}

TEST_F(BusLink, BlockArrivesInOrderWithNoRegisterInFront) {
    const uint8_t block[4] = {0x1C, 0xD0, 0x8E, 0x02};
    EXPECT_EQ(I2C_WriteBlk(0xC2, block, 4), TVSIM_OK);
    std::vector<TvSimTransaction> log = Transactions();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].count, 4u);
    EXPECT_EQ(std::vector<uint8_t>(log[0].bytes, log[0].bytes + 4), std::vector<uint8_t>(block, block + 4));
    TvSimTuner tuner{};
    ASSERT_EQ(card.TunerState(&tuner), 1u);
    EXPECT_EQ(tuner.divider, 0x1CD0u);
    EXPECT_EQ(tuner.control, 0x8Eu);
    EXPECT_EQ(tuner.bandByte, 0x02u);
}

TEST_F(BusLink, DriverResultsPassThroughUnchanged) {
    const uint8_t block[4] = {0, 0, 0x8E, 0x01};
    EXPECT_EQ(I2C_Write(0x90, 0x00, 0x00), TVSIM_NO_ACK);
    EXPECT_EQ(I2C_Read(0x90, 0x00), 0xFFu);
    EXPECT_EQ(I2C_WriteBlk(0xC2, block, 3), TVSIM_BAD_BLOCK);
    EXPECT_EQ(I2C_WriteBlk(0x90, block, 4), TVSIM_NO_ACK);
    EXPECT_EQ(I2C_Write(0xC2, 0x00, 0x00), TVSIM_BAD_BLOCK);
}

TEST_F(BusLink, EveryBlockTranslationIsReleasedAfterTheCall) {
    const uint8_t block[5] = {0x06, 0x50, 0x8E, 0x01, 0x00};
    uint32_t live = TvHostLiveTranslations();
    for (uint32_t count : {4u, 0u, 3u, 5u, 1000u}) {
        I2C_WriteBlk(0xC2, block, count);
        EXPECT_EQ(TvHostLiveTranslations(), live) << count;
    }
    I2C_WriteBlk(0x90, block, 4);
    I2C_WriteBlk(0x88, block, 2);
    EXPECT_EQ(TvHostLiveTranslations(), live);
}

TEST_F(BusLink, NullBlockReachesTheDriverAsAnErrorNotAPointer) {
    uint32_t live = TvHostLiveTranslations();
    EXPECT_EQ(I2C_WriteBlk(0xC2, nullptr, 4), TVSIM_BAD_POINTER);
    EXPECT_EQ(I2C_WriteBlk(0x88, nullptr, 2), TVSIM_BAD_POINTER);
    EXPECT_EQ(TvHostLiveTranslations(), live);
    TvSimTuner tuner{};
    EXPECT_EQ(card.TunerState(&tuner), 0u) << "the tuner took nothing";
}

TEST_F(BusLink, BlockThatCannotBeTranslatedIsRefusedByTheDriver) {
    uint8_t filler[TVHOST_TRANSLATION_SLOTS];
    std::vector<DWORD> held;
    for (uint8_t &b : filler) {
        DWORD v = SMapLS_IP_EBP_12(&b);
        if (v == 0) break;
        held.push_back(v);
    }
    const uint8_t block[4] = {0x06, 0x50, 0x8E, 0x01};
    EXPECT_EQ(I2C_WriteBlk(0xC2, block, 4), TVSIM_BAD_POINTER);
    for (DWORD v : held) SUnMapLS_IP_EBP_12(v);
    EXPECT_EQ(I2C_WriteBlk(0xC2, block, 4), TVSIM_OK);
}

}  // namespace
}  // namespace spinetest
