// The simulated card's own behaviour, reached through the link.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "support/driver_words.h"
#include "support/link_fixture.h"
#include "tvcore.h"

namespace spinetest {
namespace {

using SimCard = SpineTest;

const uint8_t kChannel7[4] = {0x0D, 0xD0, 0x8E, 0x02};  // 175.25 MHz, mid band

TEST_F(SimCard, DecoderRegistersKeepTheLowByteOfWhatIsWritten) {
    for (uint32_t reg = 1; reg <= 255; ++reg) EXPECT_EQ(I2C_Write(0x88, reg, 0x300 + reg), TVSIM_OK);
    for (uint32_t reg = 1; reg <= 255; ++reg) EXPECT_EQ(I2C_Read(0x88, reg), reg) << reg;
}

TEST_F(SimCard, PowerOnRestoresTheRegisterFileAndForgetsTheTuner) {
    std::vector<uint8_t> powerOn = Registers();
    I2C_Write(0x88, 0x0B, 0x00);
    I2C_WriteBlk(0xC2, kChannel7, 4);
    card.PowerOn();
    EXPECT_EQ(Registers(), powerOn);
    TvSimTuner tuner{};
    EXPECT_EQ(card.TunerState(&tuner), 0u);
}

TEST_F(SimCard, DescribesItselfAsTheSimulatedCard) {
    EXPECT_EQ(tvtest::AskWords(card.DescribeDevice), "simulated card");
}

TEST_F(SimCard, OtherAddressesDoNotAnswer) {
    for (uint32_t device : {0x00u, 0x86u, 0x89u, 0xC0u, 0xC3u, 0xFFFFu}) {
        EXPECT_EQ(I2C_Write(device, 0x01, 0x55), TVSIM_NO_ACK) << device;
        EXPECT_EQ(I2C_Read(device, 0x01), 0xFFu) << device;
        EXPECT_EQ(I2C_WriteBlk(device, kChannel7, 4), TVSIM_NO_ACK) << device;
    }
    EXPECT_EQ(Registers()[0x01], 0xA9);
}

TEST_F(SimCard, TunerTakesOnlyFourByteBlocks) {
    const uint8_t bytes[8] = {0x20, 0x50, 0x8E, 0x08, 1, 2, 3, 4};
    ASSERT_EQ(I2C_WriteBlk(0xC2, kChannel7, 4), TVSIM_OK);
    for (uint32_t count : {0u, 1u, 3u, 5u, 8u, 0xFFFFFFFFu})
        EXPECT_EQ(I2C_WriteBlk(0xC2, bytes, count), TVSIM_BAD_BLOCK) << count;
    EXPECT_EQ(I2C_Write(0xC2, 0x20, 0x50), TVSIM_BAD_BLOCK);
    TvSimTuner tuner{};
    ASSERT_EQ(card.TunerState(&tuner), 1u);
    EXPECT_EQ(tuner.divider, 0x0DD0u) << "the refused blocks left the tuner as it was";
}

TEST_F(SimCard, TunerDecodesDividerIntoCarrierAndBand) {
    struct Case {
        uint8_t block[4];
        double carrier;
        uint32_t band, fits;
    } cases[] = {
        {{0x06, 0x50, 0x8E, 0x01}, 55.25, TVSIM_BAND_LOW, 1},  {{0x0D, 0xD0, 0x8E, 0x02}, 175.25, TVSIM_BAND_MID, 1},
        {{0x1F, 0x70, 0x8E, 0x08}, 457.25, TVSIM_BAND_HIGH, 1}, {{0x1F, 0x70, 0x8E, 0x02}, 457.25, TVSIM_BAND_MID, 0},
        {{0x0D, 0xD0, 0x8E, 0x03}, 175.25, TVSIM_BAND_NONE, 0}, {{0x00, 0x00, 0x8E, 0x01}, -45.75, TVSIM_BAND_LOW, 0},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(I2C_WriteBlk(0xC2, c.block, 4), TVSIM_OK);
        TvSimTuner tuner{};
        card.TunerState(&tuner);
        EXPECT_DOUBLE_EQ(tuner.carrierMHz, c.carrier);
        EXPECT_DOUBLE_EQ(tuner.oscillatorMHz, c.carrier + 45.75);
        EXPECT_EQ(tuner.band, c.band) << c.carrier;
        EXPECT_EQ(tuner.bandFits, c.fits) << c.carrier;
    }
}

TEST_F(SimCard, DecoderLocksOnlyOnASettledStationInItsOwnBand) {
    const double station = 175.25;
    ASSERT_EQ(card.SetStations(&station, 1), 1);
    card.SetSettleMs(0);
    struct Case {
        uint8_t block[4];
        bool locks;
    } cases[] = {
        {{0x0D, 0xD0, 0x8E, 0x02}, true},   // on the station, mid band
        {{0x0D, 0xD0, 0x8E, 0x01}, false},  // wrong band byte
        {{0x0D, 0xD0, 0x8E, 0x0A}, false},  // two band bits
        {{0x0D, 0xD0, 0x86, 0x02}, false},  // other control byte: other step size
        {{0x0D, 0xE0, 0x8E, 0x02}, false},  // 1 MHz off the station
    };
    for (const Case &c : cases) {
        I2C_WriteBlk(0xC2, c.block, 4);
        EXPECT_EQ((I2C_Read(0x88, 0x00) & 0x40) != 0, c.locks) << int(c.block[1]) << " " << int(c.block[3]);
    }
    card.SetSettleMs(60000);
    I2C_WriteBlk(0xC2, kChannel7, 4);
    EXPECT_EQ(I2C_Read(0x88, 0x00) & 0x40, 0u) << "not before the tuner has settled";
    EXPECT_EQ(I2C_Read(0xC2, 0x00) & 0x40, 0u);
}

TEST_F(SimCard, StatusBitSixIsComputedWhateverIsStored) {
    card.SetSettleMs(0);
    I2C_Write(0x88, 0x00, 0xFF);
    EXPECT_EQ(I2C_Read(0x88, 0x00), 0xBFu) << "no tuner programmed yet";
    I2C_WriteBlk(0xC2, kChannel7, 4);  // channel 7 is among the default stations
    EXPECT_EQ(I2C_Read(0x88, 0x00), 0xFFu);
    EXPECT_EQ(card.DecoderStatus(), 0xFFu);
}

TEST_F(SimCard, DecoderBlockIsARegisterNumberThenBytes) {
    const uint8_t bytes[4] = {0xFE, 0x11, 0x22, 0x33};
    EXPECT_EQ(I2C_WriteBlk(0x88, bytes, 4), TVSIM_OK);
    std::vector<uint8_t> regs = Registers();
    EXPECT_EQ(regs[0xFE], 0x11);
    EXPECT_EQ(regs[0xFF], 0x22);
    EXPECT_EQ(regs[0x00], 0x33) << "the register number wraps";
    EXPECT_EQ(I2C_WriteBlk(0x88, bytes, 258), TVSIM_BAD_BLOCK) << "longer than the register file plus its number";
}

TEST_F(SimCard, StationListIsValidatedAsAWhole) {
    const double good[] = {61.25, 83.25};
    ASSERT_EQ(card.SetStations(good, 2), 1);
    const double bad[][2] = {{61.25, 0.0}, {61.25, -5.0}, {1000.0, 61.25}, {61.25, 0.0 / 0.0}};
    for (const auto &list : bad) EXPECT_EQ(card.SetStations(list, 2), 0);
    EXPECT_EQ(card.SetStations(nullptr, 1), 0);
    std::vector<double> many(TVSIM_MAX_STATIONS + 1, 100.25);
    EXPECT_EQ(card.SetStations(many.data(), static_cast<uint32_t>(many.size())), 0);
    double now[4] = {};
    ASSERT_EQ(card.GetStations(now, 4), 2u);
    EXPECT_EQ(now[0], 61.25);
    EXPECT_EQ(now[1], 83.25);
}

TEST_F(SimCard, LogKeepsTheNewestEntriesAndCountsThemAll) {
    const uint32_t total = TVSIM_LOG_CAPACITY + 900;
    for (uint32_t i = 0; i < total; ++i) I2C_Write(0x88, 0x10, i);
    EXPECT_EQ(card.LogTotal(), total);
    std::vector<TvSimTransaction> held = Transactions();
    ASSERT_EQ(held.size(), TVSIM_LOG_CAPACITY);
    EXPECT_EQ(held.front().sequence, 900u);
    EXPECT_EQ(held.front().value, 900u);
    EXPECT_EQ(held.back().sequence, total - 1);
    for (size_t i = 1; i < held.size(); ++i) ASSERT_GE(held[i].timeUs, held[i - 1].timeUs);

    TvSimTransaction tail[8];
    EXPECT_EQ(card.LogRead(total - 3, tail, 8), 3u);
    EXPECT_EQ(tail[0].sequence, total - 3);
    EXPECT_EQ(card.LogRead(total, tail, 8), 0u);
    EXPECT_EQ(card.LogRead(0, nullptr, 8), 0u);
    card.LogClear();
    EXPECT_EQ(card.LogTotal(), 0u);
    I2C_Read(0x88, 0x01);
    ASSERT_EQ(card.LogRead(0, tail, 8), 1u);
    EXPECT_EQ(tail[0].sequence, 0u);
}

// The card's environment settings, read when a process attaches the link.
class SimCardSettings : public SimCard {
protected:
    void TearDown() override {
        unsetenv("TVSIM_STATIONS");
        unsetenv("TVSIM_SETTLE_MS");
        SimCard::TearDown();
    }
    static void Attach() { ASSERT_TRUE(ConnectBusLink(nullptr, DLL_PROCESS_ATTACH)); }
    std::vector<double> Stations() const {
        std::vector<double> list(TVSIM_MAX_STATIONS);
        list.resize(card.GetStations(list.data(), TVSIM_MAX_STATIONS));
        return list;
    }
};

TEST_F(SimCardSettings, StationsAreTakenOnlyAsAWellFormedList) {
    setenv("TVSIM_STATIONS", " 61.25, 83.25 ,457.25", 1);
    Attach();
    EXPECT_EQ(Stations(), (std::vector<double>{61.25, 83.25, 457.25}));
    for (const char *bad : {"61.25,,83.25", "abc", "61.25;83.25", "0", "1000", "61.25,", "-5", "61.25x"}) {
        setenv("TVSIM_STATIONS", bad, 1);
        Attach();
        EXPECT_EQ(Stations(), (std::vector<double>{61.25, 83.25, 457.25})) << bad;
    }
    setenv("TVSIM_STATIONS", "none", 1);
    Attach();
    EXPECT_TRUE(Stations().empty());
    ASSERT_TRUE(ConnectBusLink(nullptr, DLL_THREAD_ATTACH));
    setenv("TVSIM_STATIONS", "61.25", 1);
    ASSERT_TRUE(ConnectBusLink(nullptr, DLL_THREAD_ATTACH));
    EXPECT_TRUE(Stations().empty()) << "only a process attach reads the settings";
}

TEST_F(SimCardSettings, SettleTimeIsTakenOnlyWhenWellFormed) {
    setenv("TVSIM_SETTLE_MS", "25", 1);
    Attach();
    EXPECT_EQ(card.GetSettleMs(), 25u);
    for (const char *bad : {"-1", "abc", "60001", "1e3", "12 ms"}) {
        setenv("TVSIM_SETTLE_MS", bad, 1);
        Attach();
        EXPECT_EQ(card.GetSettleMs(), 25u) << bad;
    }
}

}  // namespace
}  // namespace spinetest
