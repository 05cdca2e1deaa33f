// The scan engine against a scripted bus: what it sends, when it moves on,
// and what it does when the bus fails. No real time is judged: the fake
// counts the calls.
#include <gtest/gtest.h>

#include <vector>

#include "scan.h"
#include "tvcore/card/decoder.h"
#include "tvcore/card/tuner.h"

namespace {

using namespace tvctl;
using tvcore::card::kRegStatus;
using tvcore::card::kTunerAddress;

// The scripted card. TvCalls are plain function pointers, so the script is
// one global record, reset by each test.
struct FakeCard {
    std::vector<uint32_t> stationChannels;  // channels that lock
    uint32_t tunerReadsToSettle = 2;        // the tuner reports settled from its Nth read after a block
    uint32_t decoderFailure = 0;            // nonzero: every decoder read answers this
    uint32_t blockResult = 0;               // what every block write answers
    int32_t setParamResult = 1;             // 1: by station; otherwise answered as is
    // What happened:
    std::vector<std::vector<uint8_t>> blocks;
    std::vector<uint32_t> tunedThroughLibrary;
    uint32_t tunerReads = 0, decoderReads = 0;
    uint32_t currentDivider = 0;
    uint32_t tunerReadsSinceBlock = 0;
} fake;

bool CurrentIsStation() {
    for (uint32_t channel : fake.stationChannels)
        if (Channel(CablePlan(), std::to_string(channel))->divider == fake.currentDivider) return true;
    return false;
}

uint32_t FakeRead(uint32_t device, uint32_t reg) {
    if (device == kTunerAddress) {
        ++fake.tunerReads;
        return ++fake.tunerReadsSinceBlock >= fake.tunerReadsToSettle ? 0x40u : 0x00u;
    }
    EXPECT_EQ(reg, kRegStatus);
    ++fake.decoderReads;
    if (fake.decoderFailure) return fake.decoderFailure;
    bool settled = fake.tunerReadsSinceBlock >= fake.tunerReadsToSettle;
    return settled && CurrentIsStation() ? 0x40u : 0x00u;
}

uint32_t FakeWriteBlk(uint32_t device, const uint8_t *bytes, uint32_t count) {
    EXPECT_EQ(device, kTunerAddress);
    fake.blocks.emplace_back(bytes, bytes + count);
    fake.currentDivider = (uint32_t{bytes[0]} << 8) | bytes[1];
    fake.tunerReadsSinceBlock = 0;
    return fake.blockResult;
}

int32_t FakeSetTVParam(uint32_t id, uint32_t value) {
    EXPECT_EQ(id, 2u);
    fake.tunedThroughLibrary.push_back(value);
    if (fake.setParamResult != 1) return fake.setParamResult;
    fake.currentDivider = Channel(CablePlan(), std::to_string(value))->divider;
    fake.tunerReadsSinceBlock = fake.tunerReadsToSettle;  // the library's pause outlasts the settling
    return CurrentIsStation() ? 0 : -4;
}

TvCalls FakeCalls() {
    TvCalls calls{};
    calls.SetTVParam = FakeSetTVParam;
    calls.I2C_Read = FakeRead;
    calls.I2C_WriteBlk = FakeWriteBlk;
    return calls;
}

ScanOptions Options(uint32_t first, uint32_t last, bool fast) {
    ScanOptions options;
    options.plan = CablePlan();
    options.first = std::to_string(first);
    options.last = std::to_string(last);
    options.fast = fast;
    options.tunerStatus = true;
    options.pollMs = 1;
    return options;
}

class TvctlScanEngineTest : public ::testing::Test {
protected:
    void SetUp() override { fake = FakeCard{}; }
};

TEST_F(TvctlScanEngineTest, FastScanSendsTheLibrarysBlocksAndTunesTheLastThroughIt) {
    fake.stationChannels = {62, 63};
    ScanResult result = RunScan(FakeCalls(), BusWords{}, Options(60, 64, true), nullptr);
    ASSERT_TRUE(result.complete) << result.error;
    EXPECT_EQ(ChannelNames(result, true), (std::vector<std::string>{"62", "63"}));
    // Channels 60-63 by block, 64 through SetTVParam.
    ASSERT_EQ(fake.blocks.size(), 4u);
    for (uint32_t i = 0; i < 4; ++i) {
        uint8_t expected[4];
        TunerBlock(*Channel(CablePlan(), std::to_string(60 + i)), expected);
        EXPECT_EQ(fake.blocks[i], std::vector<uint8_t>(expected, expected + 4)) << "channel " << 60 + i;
    }
    EXPECT_EQ(fake.blocks[3], (std::vector<uint8_t>{0x1F, 0x70, 0x8E, 0x08}));  // cable 63 in the high band
    EXPECT_EQ(fake.tunedThroughLibrary, std::vector<uint32_t>{64});
    EXPECT_EQ(result.finalChannel, "64");
}

TEST_F(TvctlScanEngineTest, LeavesAnEmptyChannelOnceTheTunerHasSettled) {
    fake.tunerReadsToSettle = 3;
    ScanResult result = RunScan(FakeCalls(), BusWords{}, Options(3, 4, true), nullptr);
    ASSERT_TRUE(result.complete) << result.error;
    EXPECT_TRUE(ChannelNames(result, true).empty());
    // Channel 3: the tuner settles at its 3rd read; the decoder read after it
    // decides, and no further poll is made.
    EXPECT_EQ(fake.tunerReads, 3u);
    EXPECT_EQ(fake.decoderReads, 3u);
}

TEST_F(TvctlScanEngineTest, WithoutTheTunerStatusAnEmptyChannelWaitsTheLimit) {
    ScanOptions options = Options(3, 4, true);
    options.tunerStatus = false;
    ScanResult result = RunScan(FakeCalls(), BusWords{}, options, nullptr);
    ASSERT_TRUE(result.complete) << result.error;
    EXPECT_EQ(fake.tunerReads, 0u);  // the tuner is never read
    EXPECT_GE(result.channels[0].waitedMs, kLockLimitMs);
    EXPECT_FALSE(result.channels[0].locked);
}

TEST_F(TvctlScanEngineTest, AFailedReadIsNoLock) {
    // An i2c-dev read failure reads 0xFF in its low byte, lock bit included:
    // it must stop the scan, not count as a station.
    fake.decoderFailure = (121u << 8) | 0xFFu;
    fake.stationChannels = {5};
    ScanResult result = RunScan(FakeCalls(), BusWords{}, Options(2, 6, true), nullptr);
    EXPECT_FALSE(result.complete);
    EXPECT_TRUE(ChannelNames(result, true).empty());
    EXPECT_NE(result.error.find("could not be read at channel 2"), std::string::npos) << result.error;
    EXPECT_NE(result.error.find("the bus driver answered 0x000079FF"), std::string::npos)
        << result.error << ": a driver without words, by its number";
    // The tuner holds channel 2's block: the library is told.
    EXPECT_EQ(fake.tunedThroughLibrary, std::vector<uint32_t>{2});
    EXPECT_EQ(result.finalChannel, "2");
}

TEST_F(TvctlScanEngineTest, ARefusedBlockStopsTheScan) {
    fake.blockResult = 1;
    ScanResult result = RunScan(FakeCalls(), BusWords{}, Options(2, 6, true), nullptr);
    EXPECT_FALSE(result.complete);
    EXPECT_EQ(fake.blocks.size(), 1u);
    EXPECT_NE(result.error.find("the tuner did not take the block for channel 2"), std::string::npos) << result.error;
    EXPECT_NE(result.error.find("the bus driver answered 1"), std::string::npos) << result.error;
}

TEST_F(TvctlScanEngineTest, StandardScanTunesEveryChannelThroughTheLibrary) {
    fake.stationChannels = {2, 4};
    size_t reported = 0;
    ScanResult result = RunScan(FakeCalls(), BusWords{}, Options(1, 5, false),
                                [&](const ScannedChannel &, size_t index, size_t count) {
                                    EXPECT_EQ(index, reported++);
                                    EXPECT_EQ(count, 5u);
                                });
    ASSERT_TRUE(result.complete) << result.error;
    EXPECT_EQ(reported, 5u);
    EXPECT_EQ(fake.tunedThroughLibrary, (std::vector<uint32_t>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(fake.blocks.empty());
    EXPECT_EQ(ChannelNames(result, true), (std::vector<std::string>{"2", "4"}));
}

TEST_F(TvctlScanEngineTest, StandardScanStopsAtARefusal) {
    fake.setParamResult = -3;  // e.g. the source is no tuner
    ScanResult result = RunScan(FakeCalls(), BusWords{}, Options(1, 5, false), nullptr);
    EXPECT_FALSE(result.complete);
    EXPECT_TRUE(result.channels.empty());
    EXPECT_NE(result.error.find("answered -3"), std::string::npos) << result.error;
    EXPECT_EQ(fake.tunedThroughLibrary.size(), 1u);
}

}  // namespace
