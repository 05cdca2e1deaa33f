// A connected bus link to a freshly powered-on simulated card, and the
// library's state as it is right after load.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "bus/bus_link.h"
#include "support/simcard_access.h"
#include "tv/plan_tables.h"
#include "tv/tuning.h"
#include "tv/tv_state.h"

namespace spinetest {

// One bus transaction as a test expects it.
struct Op {
    uint32_t op, device, reg, value;
    bool operator==(const Op &) const = default;
};

inline Op Read(uint32_t reg) { return {TVSIM_OP_READ, 0x88, reg, 0}; }
inline Op Write(uint32_t reg, uint32_t value) { return {TVSIM_OP_WRITE, 0x88, reg, value}; }

void PrintTo(const Op &op, std::ostream *out);

// Every transaction logged since the last TvSimLogClear.
std::vector<TvSimTransaction> Transactions();

// The same, as reads and writes (blocks appear with their count as value).
std::vector<Op> Ops();

class SpineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    const tvtest::SimCardApi &card = tvtest::SimCard();

    // The decoder register file as the card holds it now.
    std::vector<uint8_t> Registers() const;
};

}  // namespace spinetest
