// Long runs: the library loaded, used and unloaded thousands of times, and a
// million block writes through one load, without growth in memory, file
// descriptors, host handles, mixer handles, page regions or 16:16
// translations. Each run prints its figures before and after.
//
// Settings (docs/bad-input.md, "Long runs"):
//   TVCORE_LONG_CYCLES           load/tune/unload cycles (2000; 1000 under AddressSanitizer)
//   TVCORE_LONG_REAL_TUNE_EVERY  every n-th cycle tunes for real, 150 ms (100); the
//                                others ask for a channel outside the plan, which
//                                is refused at once. 1: every cycle tunes.
//   TVCORE_LONG_BLOCK_WRITES     block writes in one load (1000000)
// The full run: TVCORE_LONG_CYCLES=10000 TVCORE_LONG_REAL_TUNE_EVERY=1 (25 minutes).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <iostream>
#include <cstdio>
#include <string>

#include "harness.h"
#include "support/test_env.h"
#include "tvhost/diag.h"

namespace {

using robust::Card;
using robust::CardLog;
using robust::CardRegister;
using robust::Library;
using robust::Resources;

class LongRun : public ::testing::Test {
protected:
    void SetUp() override {
        robust::UseSimulatedHardware();
        // Every load reads the board file and writes its lines to a debug
        // destination, so those paths run every cycle too.
        tvtest::WriteFile(std::string(getenv("TVHOST_WINDIR")) + "/vidcfg.ini", "[SYSTEM]\nBoardType=QX_KESTREL\n");
        setenv("TVHOST_DEBUG", "/dev/null", 1);
    }

    // The figures now. A measurement's first use in a new state of the
    // process allocates a little for good (the standard library's own
    // caches), so the figures are those of a second measurement.
    static Resources Measure() {
        Resources::Now();
        return Resources::Now();
    }
    void TearDown() override { robust::UseSimulatedHardware(); }

    // Nothing that a run holds may have grown. The resident set is left out
    // under AddressSanitizer, which keeps freed memory in quarantine.
    static void ExpectNoGrowth(const Resources &before, const Resources &after, uint64_t heapSlack) {
        EXPECT_EQ(after.fds, before.fds);
        EXPECT_EQ(after.host, before.host);
        EXPECT_LE(after.heapBytes, before.heapBytes + heapSlack) << "heap bytes in use";
        if (!robust::kUnderAsan) {
            EXPECT_LE(after.rssKiB, before.rssKiB + 1024) << "resident set, KiB";
        }
    }

    static void Report(const char *what, uint64_t calls, const Resources &before, const Resources &after,
                       double seconds) {
        std::printf("%s: %llu calls in %.1f s\n  before: ", what, static_cast<unsigned long long>(calls), seconds);
        std::cout << before << "\n  after:  " << after << std::endl;
    }
};

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST_F(LongRun, LoadTuneUnloadCyclesGiveEverythingBack) {
    const uint64_t cycles = robust::Setting("TVCORE_LONG_CYCLES", robust::kUnderAsan ? 1000 : 2000);
    const uint64_t realEvery = robust::Setting("TVCORE_LONG_REAL_TUNE_EVERY", 100);
    // The first cycles fill what the process keeps for good (the dynamic
    // linker's caches, the host's tables, the card's log ring); the figures
    // are taken after them.
    const uint64_t warmUp = cycles / 10 < 20 ? 20 : cycles / 10;
    Resources before{};
    uint64_t calls = 0, realTunes = 0;
    auto start = std::chrono::steady_clock::now();
    for (uint64_t cycle = 0; cycle < cycles + warmUp; ++cycle) {
        if (cycle == warmUp) {
            before = Measure();
            start = std::chrono::steady_clock::now();
            calls = realTunes = 0;
        }
        Library lib;
        ASSERT_TRUE(lib.Load()) << "cycle " << cycle << ": " << TvHostLastLoadError();
        ASSERT_EQ(lib.SetTVParam(TV_PARAM_SOURCE, TV_SOURCE_TUNER_CABLE), TV_OK) << "cycle " << cycle;
        if (cycle % realEvery == 0) {
            ASSERT_EQ(lib.SetTVParam(TV_PARAM_CHANNEL, 7), TV_OK) << "cycle " << cycle << ": a station is on 7";
            ++realTunes;
        } else {
            ASSERT_EQ(lib.SetTVParam(TV_PARAM_CHANNEL, 200), TV_ERR_BAD_VALUE) << "cycle " << cycle;
        }
        TvMixerLine line{};
        ASSERT_EQ(lib.InitTVAudio(&line), 1u) << "cycle " << cycle;
        ASSERT_EQ(lib.SetTVVol(&line, static_cast<uint32_t>(cycle % 65536)), MMSYSERR_NOERROR) << "cycle " << cycle;
        ASSERT_EQ(lib.GetTVVol(&line), cycle % 65536) << "cycle " << cycle;
        ASSERT_TRUE(lib.Free()) << "cycle " << cycle;
        calls += 7;  // load, source, channel, audio init, set, get, unload
    }
    Resources after = Measure();
    Report(("load/tune/unload cycles: " + std::to_string(cycles) + " cycles, " + std::to_string(realTunes) +
            " real tunes")
               .c_str(),
           calls, before, after, SecondsSince(start));
    ExpectNoGrowth(before, after, 64 * 1024);
    EXPECT_EQ(after.host.modules, 0u);
    EXPECT_EQ(after.host.mixers, 0u) << "every unload closed the mixer its load opened";
}

TEST_F(LongRun, AMillionBlockWritesHoldNothingBack) {
    const uint64_t writes = robust::Setting("TVCORE_LONG_BLOCK_WRITES", 1000000);
    Library lib;
    ASSERT_TRUE(lib.Load()) << TvHostLastLoadError();
    const uint8_t decoderBlock[3] = {0x0A, 0x80, 0xA6};
    const uint8_t tunerBlock[4] = {0x0D, 0xD0, 0x8E, 0x02};
    const uint64_t warmUp = 10000;
    Resources before{};
    uint64_t failed = 0;
    auto start = std::chrono::steady_clock::now();
    for (uint64_t n = 0; n < writes + warmUp; ++n) {
        if (n == warmUp) {
            before = Measure();
            start = std::chrono::steady_clock::now();
        }
        uint32_t result = n % 16 == 0 ? lib.I2C_WriteBlk(TV_I2C_TUNER, tunerBlock, sizeof tunerBlock)
                                      : lib.I2C_WriteBlk(TV_I2C_DECODER, decoderBlock, sizeof decoderBlock);
        failed += result == TVSIM_OK ? 0 : 1;
    }
    Resources after = Measure();
    Report("block writes", writes, before, after, SecondsSince(start));
    EXPECT_EQ(failed, 0u);
    EXPECT_EQ(after.host.translations, 0u) << "every translation was released";
    ExpectNoGrowth(before, after, 0);
    EXPECT_EQ(CardRegister(0x0B), 0xA6) << "the blocks arrived";
    EXPECT_TRUE(lib.Free());
}

}  // namespace
