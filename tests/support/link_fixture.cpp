#include "support/link_fixture.h"

#include <ostream>

namespace spinetest {

void PrintTo(const Op &op, std::ostream *out) {
    static const char *const names[] = {"?", "read", "write", "block"};
    *out << names[op.op < 4 ? op.op : 0] << std::hex << " dev 0x" << op.device << " reg 0x" << op.reg
         << " value 0x" << op.value << std::dec;
}

std::vector<TvSimTransaction> Transactions() {
    const tvtest::SimCardApi &card = tvtest::SimCard();
    std::vector<TvSimTransaction> entries(TVSIM_LOG_CAPACITY);
    entries.resize(card.LogRead(0, entries.data(), TVSIM_LOG_CAPACITY));
    return entries;
}

std::vector<Op> Ops() {
    std::vector<Op> ops;
    for (const TvSimTransaction &t : Transactions())
        ops.push_back({t.op, t.device, t.reg, t.op == TVSIM_OP_BLOCK ? t.count : t.value});
    return ops;
}

void SpineTest::SetUpTestSuite() {
    tvtest::SimCard().RestoreDefaults();
    ASSERT_TRUE(ConnectBusLink(nullptr, DLL_PROCESS_ATTACH));
    InitBandTables();
}

void SpineTest::SetUp() {
    tvState = kTvStateAtLoad;
    card.RestoreDefaults();
    card.PowerOn();
    card.LogClear();
}

void SpineTest::TearDown() { card.RestoreDefaults(); }

std::vector<uint8_t> SpineTest::Registers() const {
    std::vector<uint8_t> regs(256);
    card.DecoderRegisters(regs.data());
    return regs;
}

}  // namespace spinetest
