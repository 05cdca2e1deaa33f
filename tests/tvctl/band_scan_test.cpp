// The full-band walk against scripted cards (each a rule from carrier step
// to reading), and how its stations are named and merged into a list.
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <map>

#include "band_scan_ops.h"
#include "band_stations.h"
#include "tvcore/card/channel_tables.h"

namespace {

using namespace tvctl;

// A station: where it is and how its signal falls off around it.
struct Air {
    uint32_t carrier;
    uint32_t lockHalfWidth = 0;    // locks within this many steps either way
    uint32_t strongHalfWidth = 0;  // full signal within this many (a weaker one out to the lock's edge)
    bool hasSignal = false;        // false: the card only reports lock
};

BandReading Reading(const std::vector<Air> &air, uint32_t step) {
    for (const Air &station : air) {
        const uint32_t off = step > station.carrier ? step - station.carrier : station.carrier - step;
        if (off > station.lockHalfWidth) continue;
        uint32_t signal = !station.hasSignal || off <= station.strongHalfWidth ? 65535u : 32768u;
        return BandReading{true, signal, static_cast<int32_t>(step) - static_cast<int32_t>(station.carrier)};
    }
    return BandReading{};
}

struct WalkCase {
    const char *name;
    std::vector<Air> air;
    uint32_t first, last, stride;
    std::vector<uint32_t> expected;  // the stations' carrier steps
};
void PrintTo(const WalkCase &c, std::ostream *out) { *out << c.name; }

class BandWalkTest : public ::testing::TestWithParam<WalkCase> {};

TEST_P(BandWalkTest, EachStationOnceAtItsCarrier) {
    const WalkCase &c = GetParam();
    std::map<uint32_t, int> tuned;
    BandScanOptions options{c.first, c.last, c.stride, 704, 13920, nullptr};
    BandScanResult result = RunBandScan(
        options,
        [&](uint32_t step) {
            ++tuned[step];
            return std::optional<BandReading>(Reading(c.air, step));
        },
        nullptr);
    std::vector<uint32_t> found;
    for (const BandStation &station : result.stations) found.push_back(station.carrierStep);
    EXPECT_EQ(found, c.expected);
    EXPECT_FALSE(result.interrupted || result.failed);
    for (const auto &[step, count] : tuned) EXPECT_EQ(count, 1) << "step " << step << " tuned twice";
    EXPECT_EQ(result.probes, tuned.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cards, BandWalkTest,
    ::testing::Values(
        // The simulated card: a station locks on its one step only.
        WalkCase{"exactStepsOnTheGrid", {{884}, {1000}, {1004}}, 704, 1100, 4, {884, 1000, 1004}},
        WalkCase{"offTheGridIsMissed", {{885}}, 704, 1100, 4, {}},
        WalkCase{"everyStepFindsIt", {{885}}, 704, 1100, 1, {885}},
        // A card that only reports lock, over a window holding several
        // coarse points: its middle, once.
        WalkCase{"lockWindowMiddle", {{901, 16}}, 704, 1100, 4, {901}},
        // vivid's shape: lock within 1 MHz, full signal within 0.25 MHz,
        // the carrier off the coarse grid.
        WalkCase{"strongestPartMiddle", {{789, 16, 4, true}, {885, 16, 4, true}}, 704, 1100, 8, {789, 885}},
        // A window reaching over the stretch's ends: followed beyond them,
        // a station counted only when its carrier is inside.
        WalkCase{"carrierBelowTheStretch", {{898, 16}}, 900, 1000, 4, {}},
        WalkCase{"carrierJustAboveTheStart", {{902, 16}}, 900, 1000, 4, {902}},
        WalkCase{"windowPastTheEnd", {{998, 16}}, 900, 1000, 4, {998}},
        // A stride that does not divide the stretch, and a one-point stretch.
        WalkCase{"oddStride", {{900}, {907}}, 900, 910, 7, {900, 907}},
        WalkCase{"onePoint", {{13920}}, 13920, 13920, 4, {13920}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(BandWalkTest, EvenStrongestRunTakesTheAfcsMiddle) {
    // Full signal on 4 steps, 898..901: the middle pair 899/900; the AFC
    // says 900 is the carrier.
    auto probe = [](uint32_t step) {
        BandReading reading{step >= 896 && step <= 903, 0, static_cast<int32_t>(step) - 900};
        if (reading.locked) reading.signal = step >= 898 && step <= 901 ? 65535 : 100;
        return std::optional<BandReading>(reading);
    };
    BandScanResult result = RunBandScan({704, 1100, 4, 704, 13920, nullptr}, probe, nullptr);
    ASSERT_EQ(result.stations.size(), 1u);
    EXPECT_EQ(result.stations[0].carrierStep, 900u);
    EXPECT_EQ(result.stations[0].windowLow, 896u);
    EXPECT_EQ(result.stations[0].windowHigh, 903u);
}

TEST(BandWalkTest, LockEverywhereStillEnds) {
    BandScanResult result = RunBandScan({704, 13920, 4, 704, 13920, nullptr},
                                        [](uint32_t) { return std::optional<BandReading>(BandReading{true, 65535, 0}); },
                                        nullptr);
    EXPECT_TRUE(result.reachedStep >= 13920 - 4);
    // Windows of at most 2 x 128 + 1 steps, each one station.
    EXPECT_GE(result.stations.size(), (13920u - 704u) / 257u);
    EXPECT_LT(result.probes, 13920u);
}

TEST(BandWalkTest, StopAndFailureKeepWhatWasFound) {
    volatile std::sig_atomic_t stop = 0;
    std::vector<Air> air{{800}, {900}};
    auto probe = [&](uint32_t step) {
        if (step == 850) stop = 1;  // Ctrl-C while 850 is tuned
        return std::optional<BandReading>(Reading(air, step));
    };
    BandScanResult stopped = RunBandScan({704, 1100, 2, 704, 13920, &stop}, probe, nullptr);
    EXPECT_TRUE(stopped.interrupted);
    EXPECT_EQ(stopped.reachedStep, 850u);
    ASSERT_EQ(stopped.stations.size(), 1u);
    EXPECT_EQ(stopped.stations[0].carrierStep, 800u);

    BandScanResult failed = RunBandScan(
        {704, 1100, 2, 704, 13920, nullptr},
        [&](uint32_t step) { return step == 850 ? std::nullopt : std::optional<BandReading>(Reading(air, step)); },
        nullptr);
    EXPECT_TRUE(failed.failed);
    EXPECT_EQ(failed.stations.size(), 1u);
}

// The default stride meets every channel of the tables on a card that
// locks on a station's own tuner step only (the simulated card), but the
// HRC comb's upper channels, which drift one step off it.
TEST(BandWalkTest, TableCarriersOnTheDefaultGrid) {
    const BandStretch whole;
    std::vector<std::string> off;
    for (const tvcore::card::ChannelTable &table : tvcore::card::kChannelTables)
        for (const tvcore::card::TableChannel &channel : table.channels)
            if ((CarrierStepOfHz(channel.carrierHz) - CarrierStepOfHz(whole.fromHz)) % (whole.stepHz / kCarrierStepHz))
                off.push_back(std::string(table.name) + " " + std::string(channel.Name()));
    std::vector<std::string> hrc;
    for (int n : {92, 93, 94})
        hrc.push_back("us-cable-hrc " + std::to_string(n));
    for (int n = 100; n <= 125; ++n) hrc.push_back("us-cable-hrc " + std::to_string(n));
    EXPECT_EQ(off, hrc);
}

// ---------------------------------------------------------------------------

BandStation At(double mhz) {
    const uint32_t step = CarrierStepOfHz(static_cast<uint64_t>(mhz * 1e6 + 0.5));
    return BandStation{step, step, step, 65535};
}

TEST(BandStationsTest, NamedByTheNearestChannelWithinOneMhz) {
    struct Row {
        double mhz;
        const char *channel;
        int32_t fine;
    };
    for (const Row &row : std::vector<Row>{{175.25, "7", 0},   // on the channel
                                           {176.0, "7", 12},   // 0.75 MHz above
                                           {174.3125, "7", -15},
                                           {178.25, "", 0},    // 3 MHz from 7 and 8: a frequency
                                           {471.25, "", 0}}) {
        std::vector<NamedStation> named = NameStations(CablePlan(), {At(row.mhz)});
        EXPECT_EQ(named[0].channel, row.channel) << row.mhz;
        EXPECT_EQ(named[0].fine, row.fine) << row.mhz;
    }
    EXPECT_EQ(NameStations(BroadcastPlan(), {At(471.25)})[0].channel, "14");
    EXPECT_EQ(NameStations(*PlanByName("europe-west"), {At(168.5)})[0].channel, "S10");  // by the table's names
}

TEST(BandStationsTest, MergeKeepsDropsAndAdds) {
    StationList old = ParseStations("# mine\n"
                                    "Home cable 7 +1\n"        // 175.3125: found again (175.25), kept as written
                                    "Gone freq 300\n"          // in the stretch, nothing there now: dropped
                                    "Far broadcast 14\n"       // 471.25, above the stretch: kept
                                    "cable-2 freq 800\n",      // outside it too, with the name a new station would take
                                    "list");
    ASSERT_TRUE(old.problems.empty());
    std::vector<NamedStation> found = NameStations(CablePlan(), {At(55.25), At(175.25), At(400.0625)});
    ScanMerge merge = MergeBandScan(old, CablePlan(), 44'000'000, 450'000'000, found);
    EXPECT_EQ(merge.text,
              "# mine\n"
              "Home cable 7 +1\n"
              "Far broadcast 14\n"
              "cable-2 freq 800\n"
              "cable-2-2       cable      2\n"
              "freq-400.0625   freq       400.0625\n");
    EXPECT_EQ(merge.planStations, 3u);  // Home, cable-2-2 and freq-400.0625
    EXPECT_EQ(merge.total, 5u);
}

}  // namespace
