// Bus transactions of each exported call, read from the simulated card's
// log, against the fewest the design allows: every call makes exactly the
// reads, register writes and block writes its algorithm prescribes, and
// nothing more (no re-reads, no verification reads, no retries). The
// benchmarks report what each call costs in time; this is what it costs on
// the bus.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "bench/module_exports.h"
#include "support/simcard_access.h"
#include "tvhost/diag.h"

namespace {

using tvbench::ModuleExports;

struct BusCount {
    uint32_t reads = 0;
    uint32_t writes = 0;
    uint32_t blocks = 0;

    bool operator==(const BusCount &) const = default;
};

std::ostream &operator<<(std::ostream &out, const BusCount &c) {
    return out << c.reads << " reads, " << c.writes << " writes, " << c.blocks << " blocks";
}

struct Case {
    const char *call;
    void (*setUp)(const ModuleExports &tv);  // state the call needs, made before counting
    void (*run)(const ModuleExports &tv);
    BusCount designed;
    bool pauses = false;  // a tune: 150 ms each
};

void NoSetUp(const ModuleExports &) {}
void CableTuner(const ModuleExports &tv) { tv.SetTVParam(TV_PARAM_SOURCE, TV_SOURCE_TUNER_CABLE); }
void Composite(const ModuleExports &tv) { tv.SetTVParam(TV_PARAM_SOURCE, TV_SOURCE_COMPOSITE); }

const uint8_t kBlock[4] = {0x0D, 0xD0, 0x8E, 0x02};

// The design's transactions per call: source selection reads input and
// control and writes both back; a tune sends one block and reads the status
// once after its pause; brightness and hue write one register; contrast and
// saturation read the control register and write it with their value
// registers; a refusal after the range test touches nothing; reads of
// stored parameters and the audio calls never reach the bus.
const Case kCases[] = {
    {"SetTVParam(1, 0) composite", NoSetUp, [](const ModuleExports &tv) { tv.SetTVParam(1, 0); }, {2, 2, 0}},
    {"SetTVParam(1, 1) S-video", NoSetUp, [](const ModuleExports &tv) { tv.SetTVParam(1, 1); }, {2, 2, 0}},
    {"SetTVParam(1, 4) tuner", NoSetUp, [](const ModuleExports &tv) { tv.SetTVParam(1, 4); }, {2, 2, 0}},
    {"SetTVParam(1, 3) refused after its reads", NoSetUp, [](const ModuleExports &tv) { tv.SetTVParam(1, 3); },
     {2, 0, 0}},
    {"SetTVParam(2, 7) tune that locks", CableTuner, [](const ModuleExports &tv) { tv.SetTVParam(2, 7); },
     {1, 0, 1}, true},
    {"SetTVParam(2, 3) tune without lock", CableTuner, [](const ModuleExports &tv) { tv.SetTVParam(2, 3); },
     {1, 0, 1}, true},
    {"SetTVParam(2, 126) outside the plan", CableTuner, [](const ModuleExports &tv) { tv.SetTVParam(2, 126); },
     {0, 0, 0}},
    {"SetTVParam(2, 7) without a plan", Composite, [](const ModuleExports &tv) { tv.SetTVParam(2, 7); }, {0, 0, 0}},
    {"SetTVParam(3, 200) brightness", NoSetUp, [](const ModuleExports &tv) { tv.SetTVParam(3, 200); }, {0, 1, 0}},
    {"SetTVParam(4, 200) contrast", NoSetUp, [](const ModuleExports &tv) { tv.SetTVParam(4, 200); }, {1, 2, 0}},
    {"SetTVParam(5, 200) hue", NoSetUp, [](const ModuleExports &tv) { tv.SetTVParam(5, 200); }, {0, 1, 0}},
    {"SetTVParam(6, 200) saturation", NoSetUp, [](const ModuleExports &tv) { tv.SetTVParam(6, 200); }, {1, 3, 0}},
    {"SetTVParam(6, 256) out of range", NoSetUp, [](const ModuleExports &tv) { tv.SetTVParam(6, 256); }, {0, 0, 0}},
    {"SetTVParam(7, 0) unknown id", NoSetUp, [](const ModuleExports &tv) { tv.SetTVParam(7, 0); }, {0, 0, 0}},
    {"GetTVParam(2)", NoSetUp, [](const ModuleExports &tv) { tv.GetTVParam(2); }, {0, 0, 0}},
    {"GetTVParam(6)", NoSetUp, [](const ModuleExports &tv) { tv.GetTVParam(6); }, {0, 0, 0}},
    {"I2C_Read(0x88, 0x0B)", NoSetUp, [](const ModuleExports &tv) { tv.I2C_Read(0x88, 0x0B); }, {1, 0, 0}},
    {"I2C_Write(0x88, 0x0A, 0x10)", NoSetUp, [](const ModuleExports &tv) { tv.I2C_Write(0x88, 0x0A, 0x10); },
     {0, 1, 0}},
    {"I2C_WriteBlk(0xC2, block, 4)", NoSetUp, [](const ModuleExports &tv) { tv.I2C_WriteBlk(0xC2, kBlock, 4); },
     {0, 0, 1}},
    {"GetTVVol(NULL), no bus", NoSetUp, [](const ModuleExports &tv) { tv.GetTVVol(nullptr); }, {0, 0, 0}},
};

class BusTransactionCounts : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tvtest::SimCard().RestoreDefaults();
        HMODULE module = LoadLibraryA("tvcore.dll");
        ASSERT_NE(module, nullptr) << TvHostLastLoadError();
        ASSERT_TRUE(tvbench::ResolveExports(module, tv_));
    }
    static void TearDownTestSuite() {
        if (tv_.module != nullptr) FreeLibrary(tv_.module);
        tv_ = ModuleExports{};
    }

    // What crossed the bus since `first`, by kind.
    static BusCount CountSince(uint64_t first) {
        std::vector<TvSimTransaction> log(TVSIM_LOG_CAPACITY);
        uint32_t held = tvtest::SimCard().LogRead(first, log.data(), static_cast<uint32_t>(log.size()));
        BusCount count;
        for (uint32_t i = 0; i < held; ++i) {
            switch (log[i].op) {
            case TVSIM_OP_READ: ++count.reads; break;
            case TVSIM_OP_WRITE: ++count.writes; break;
            case TVSIM_OP_BLOCK: ++count.blocks; break;
            default: ADD_FAILURE() << "unknown transaction kind " << log[i].op;
            }
        }
        return count;
    }

    static ModuleExports tv_;
};

ModuleExports BusTransactionCounts::tv_;

TEST_F(BusTransactionCounts, EveryCallMakesExactlyTheDesignedTransactions) {
    for (const Case &c : kCases) {
        c.setUp(tv_);
        uint64_t first = tvtest::SimCard().LogTotal();
        c.run(tv_);
        EXPECT_EQ(CountSince(first), c.designed) << c.call;
    }
}

// The counts hold call after call: nothing is deferred to a later call or
// done once and then skipped (the control register is read every time).
TEST_F(BusTransactionCounts, RepeatedCallsCostTheSameEachTime) {
    for (const Case &c : kCases) {
        if (c.pauses) continue;  // the first test covers the tunes; repeating them only adds pauses
        c.setUp(tv_);
        uint64_t first = tvtest::SimCard().LogTotal();
        constexpr uint32_t kRepeats = 5;
        for (uint32_t i = 0; i < kRepeats; ++i) c.run(tv_);
        BusCount total = CountSince(first);
        BusCount expected{c.designed.reads * kRepeats, c.designed.writes * kRepeats, c.designed.blocks * kRepeats};
        EXPECT_EQ(total, expected) << c.call << " x" << kRepeats;
    }
}

}  // namespace
