// Tuning through the link: the tuner block of every channel of both plans,
// refusals, the pause before the lock check, and the lock result.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "support/link_fixture.h"
#include "tvcore.h"
#include "tvhost/diag.h"

namespace spinetest {
namespace {

// ---- The plans' rules, written out independently of the library ----------------

// Picture carrier in quarter MHz (so 55.25 MHz is 221); 0 where none.
uint32_t CarrierQuarterMHz(uint32_t plan, uint32_t n) {
    auto run = [n](uint32_t first, double mhz) { return static_cast<uint32_t>((mhz + 6.0 * (n - first)) * 4); };
    if (n >= 2 && n <= 13) {  // shared by both plans
        if (n <= 4) return run(2, 55.25);
        if (n <= 6) return run(5, 77.25);
        return run(7, 175.25);
    }
    if (plan == 0) return n >= 14 && n <= 69 ? run(14, 471.25) : 0;
    if (n == 1) return run(1, 73.25);
    if (n >= 14 && n <= 22) return run(14, 121.25);
    if (n >= 23 && n <= 36) return run(23, 217.25);
    if (n >= 37 && n <= 94) return run(37, 301.25);
    if (n >= 95 && n <= 99) return run(95, 91.25);
    if (n >= 100 && n <= 125) return run(100, 649.25);
    return 0;
}

// divider = (f + 45.75) / 0.0625 = 16 f + 732
uint16_t ExpectedDivider(uint32_t plan, uint32_t n) {
    uint32_t quarter = CarrierQuarterMHz(plan, n);
    return quarter == 0 ? 0 : static_cast<uint16_t>(4 * quarter + 732);
}

uint16_t ExpectedBandCode(uint32_t plan, uint32_t n) {
    if (plan == 0) return n <= 6 ? 0x8E01 : n <= 13 ? 0x8E02 : 0x8E08;
    if (n <= 6 || (n >= 14 && n <= 20) || (n >= 95 && n <= 99)) return 0x8E01;
    if ((n >= 7 && n <= 13) || (n >= 21 && n <= 62)) return 0x8E02;
    return 0x8E08;  // 63 (our choice: its carrier is above the mid band) and 64-94, 100-125
}

std::vector<uint8_t> Bytes(uint16_t divider, uint16_t band) {
    return {static_cast<uint8_t>(divider >> 8), static_cast<uint8_t>(divider), static_cast<uint8_t>(band >> 8),
            static_cast<uint8_t>(band)};
}

uint32_t SourceOfPlan(uint32_t plan) { return plan == 0 ? TV_SOURCE_TUNER_BROADCAST : TV_SOURCE_TUNER_CABLE; }

class Tuning : public SpineTest {
protected:
    // The block that the tune sent, after checking that the traffic was
    // exactly one 4-byte tuner block and then one status read.
    std::vector<uint8_t> TunedBlock() {
        std::vector<TvSimTransaction> log = Transactions();
        EXPECT_EQ(log.size(), 2u);
        if (log.size() != 2) return {};
        EXPECT_EQ(Op({log[1].op, log[1].device, log[1].reg, 0}), Read(0x00));
        EXPECT_EQ(log[0].op, TVSIM_OP_BLOCK);
        EXPECT_EQ(log[0].device, 0xC2u);
        EXPECT_EQ(log[0].count, 4u);
        return std::vector<uint8_t>(log[0].bytes, log[0].bytes + 4);
    }

    void SelectPlan(uint32_t plan) {
        ASSERT_EQ(SetTVParam(1, SourceOfPlan(plan)), TV_OK);
        card.LogClear();
    }

    // Every channel of a plan: its block from the rules, and with a station
    // on every carrier of the plan, a lock in its own band.
    void SweepPlan(uint32_t plan, uint32_t entries) {
        std::vector<double> carriers;
        for (uint32_t n = 0; n < entries; ++n)
            if (CarrierQuarterMHz(plan, n) != 0) carriers.push_back(CarrierQuarterMHz(plan, n) / 4.0);
        ASSERT_EQ(card.SetStations(carriers.data(), static_cast<uint32_t>(carriers.size())), 1);
        SelectPlan(plan);
        for (uint32_t n = 0; n < entries; ++n) {
            card.LogClear();
            int32_t result = SetTVParam(2, n);
            uint16_t divider = ExpectedDivider(plan, n);
            EXPECT_EQ(TunedBlock(), Bytes(divider, ExpectedBandCode(plan, n))) << "plan " << plan << " channel " << n;
            EXPECT_EQ(result, divider != 0 ? TV_OK : TV_ERR_NO_LOCK) << "plan " << plan << " channel " << n;
            EXPECT_EQ(GetTVParam(2), static_cast<int32_t>(n));
        }
    }
};

TEST_F(Tuning, TellingChannelsSendTheirBlocks) {
    struct Case {
        uint32_t plan, channel;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {0, 2, {0x06, 0x50, 0x8E, 0x01}},   {0, 6, {0x08, 0x10, 0x8E, 0x01}},   {0, 7, {0x0D, 0xD0, 0x8E, 0x02}},
        {0, 14, {0x20, 0x50, 0x8E, 0x08}},  {0, 69, {0x34, 0xF0, 0x8E, 0x08}},  {0, 0, {0x00, 0x00, 0x8E, 0x01}},
        {0, 1, {0x00, 0x00, 0x8E, 0x01}},   {1, 1, {0x07, 0x70, 0x8E, 0x01}},   {1, 56, {0x1C, 0xD0, 0x8E, 0x02}},
        {1, 63, {0x1F, 0x70, 0x8E, 0x08}},  {1, 87, {0x28, 0x70, 0x8E, 0x08}},  {1, 95, {0x08, 0x90, 0x8E, 0x01}},
        {1, 112, {0x2F, 0xF0, 0x8E, 0x08}}, {1, 125, {0x34, 0xD0, 0x8E, 0x08}},
    };
    for (const Case &c : cases) {
        SelectPlan(c.plan);
        SetTVParam(2, c.channel);
        EXPECT_EQ(TunedBlock(), c.bytes) << "plan " << c.plan << " channel " << c.channel;
    }
}

TEST_F(Tuning, EveryBroadcastChannelFollowsTheRulesAndLocksInItsBand) { SweepPlan(0, 70); }

TEST_F(Tuning, EveryCableChannelFollowsTheRulesAndLocksInItsBand) { SweepPlan(1, 126); }

TEST_F(Tuning, ChannelsOutsideThePlanAreRefusedWithoutTraffic) {
    for (uint32_t plan : {0u, 1u}) {
        SelectPlan(plan);
        tvState.channel = 42;
        for (uint32_t n = plan == 0 ? 70 : 126; n <= 255; ++n) EXPECT_EQ(SetTVParam(2, n), TV_ERR_BAD_VALUE) << n;
        EXPECT_TRUE(Ops().empty());
        EXPECT_EQ(GetTVParam(2), 42);
    }
}

TEST_F(Tuning, NoPlanMeansEveryChannelIsRefused) {
    for (uint32_t source : {TV_SOURCE_COMPOSITE, TV_SOURCE_SVIDEO}) {
        ASSERT_EQ(SetTVParam(1, source), TV_OK);
        tvState.channel = 9;
        card.LogClear();
        for (uint32_t n = 0; n <= 255; ++n) EXPECT_EQ(SetTVParam(2, n), TV_ERR_BAD_VALUE) << n;
        EXPECT_TRUE(Ops().empty());
        EXPECT_EQ(GetTVParam(2), 9);
    }
    for (uint32_t selector : {2u, 3u, 0x100u, 0xFFFFFFFFu}) {
        tvState.sourcePlan = selector;
        EXPECT_EQ(SetTVParam(2, 5), TV_ERR_BAD_VALUE) << selector;
    }
    EXPECT_TRUE(Ops().empty());
}

TEST_F(Tuning, OnlyTheChannelValuesLowByteCounts) {
    SelectPlan(1);
    SetTVParam(2, 261);  // 0x105
    EXPECT_EQ(TunedBlock(), Bytes(ExpectedDivider(1, 5), 0x8E01));
    EXPECT_EQ(GetTVParam(2), 5);
}

TEST_F(Tuning, UnlockedTuneAnswersAfterThePauseWithTheChannelStored) {
    ASSERT_EQ(card.SetStations(nullptr, 0), 1);
    SelectPlan(1);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SetTVParam(2, 7), TV_ERR_NO_LOCK);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
    EXPECT_EQ(GetTVParam(2), 7);
    std::vector<TvSimTransaction> log = Transactions();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_GE(log[1].timeUs - log[0].timeUs, 150000u) << "the status is read only after the pause";
}

TEST_F(Tuning, LockIsBitSixOfTheStatusAlone) {
    const double onChannel7 = 175.25;
    ASSERT_EQ(card.SetStations(&onChannel7, 1), 1);
    SelectPlan(0);
    I2C_Write(0x88, 0x00, 0xBF);  // every other status bit set
    EXPECT_EQ(SetTVParam(2, 8), TV_ERR_NO_LOCK);
    I2C_Write(0x88, 0x00, 0x00);
    EXPECT_EQ(SetTVParam(2, 7), TV_OK);
}

TEST_F(Tuning, PauseLeavesNoHandleOpen) {
    uint32_t open = TvHostOpenHandleCount();
    SelectPlan(0);
    SetTVParam(2, 3);
    EXPECT_EQ(TvHostOpenHandleCount(), open);
}

// Without a semaphore for the pause, the tune still pauses and still asks
// the decoder: an unlocked channel must not be reported as locked.
TEST_F(Tuning, WithoutASemaphoreTheTuneStillPausesAndAsksTheDecoder) {
    const double onChannel7 = 175.25;
    ASSERT_EQ(card.SetStations(&onChannel7, 1), 1);
    SelectPlan(0);
    std::vector<HANDLE> held;
    for (HANDLE h; (h = CreateSemaphoreA(nullptr, 0, 1, nullptr)) != 0 && held.size() < 100000;) held.push_back(h);
    ASSERT_EQ(CreateSemaphoreA(nullptr, 0, 1, nullptr), 0u) << "the handle table is full";
    card.LogClear();

    int32_t unlocked = SetTVParam(2, 8);
    std::vector<TvSimTransaction> log = Transactions();
    int32_t locked = SetTVParam(2, 7);
    for (HANDLE h : held) CloseHandle(h);

    EXPECT_EQ(unlocked, TV_ERR_NO_LOCK);
    EXPECT_EQ(locked, TV_OK);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].op, TVSIM_OP_READ);
    EXPECT_GE(log[1].timeUs - log[0].timeUs, 150000u);
}

}  // namespace
}  // namespace spinetest
