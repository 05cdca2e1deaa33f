// Bus results and log entries in words, per bus driver.
#include <gtest/gtest.h>

#include "bus_words.h"
#include "driver_simcard.h"
#include "driver_simmixer.h"
#include "tvhost/mixer_driver.h"
#include "tvhost/win32.h"

namespace {

using namespace tvctl;

TEST(TvctlBusWordsTest, ResultsPerBus) {
    EXPECT_EQ(DescribeWriteResult(BusKind::Simulated, 0), "");
    EXPECT_EQ(DescribeWriteResult(BusKind::Simulated, TVSIM_NO_ACK), "no device acknowledged at that address");
    EXPECT_EQ(DescribeWriteResult(BusKind::Simulated, TVSIM_BAD_BLOCK),
              "the device does not take a transfer of that length");
    // i2c-dev: an errno class, or the driver's own refusal.
    EXPECT_NE(DescribeWriteResult(BusKind::I2cDev, 121u << 8).find("no device acknowledged"), std::string::npos);
    EXPECT_NE(DescribeWriteResult(BusKind::I2cDev, 110u << 8).find("errno 110"), std::string::npos);
    EXPECT_EQ(DescribeWriteResult(BusKind::I2cDev, 0xF4u << 8), "the block length is 0 or above 8192 bytes");
    EXPECT_EQ(DescribeWriteResult(BusKind::Other, 7), "the bus driver answered 7");
    EXPECT_EQ(DescribeWriteResult(BusKind::I2cDev, 0xFFFFFFFFu), "the library has no bus link");

    EXPECT_FALSE(ReadFailed(0xFF));  // an idle bus byte is still a byte
    EXPECT_TRUE(ReadFailed(0x1FF));
    EXPECT_EQ(DescribeReadFailure(BusKind::I2cDev, 0xF0FFu), "no adapter is open");
    EXPECT_EQ(DescribeReadFailure(BusKind::Simulated, 0x40), "");
}

TEST(TvctlBusWordsTest, LogEntriesRead) {
    TvSimTransaction write{};
    write.op = TVSIM_OP_WRITE;
    write.device = 0x88;
    write.reg = 0x0C;
    write.value = 0x168;
    write.timeUs = 1500;
    std::string line = FormatTransaction(write, 1000);
    EXPECT_NE(line.find("0.5 ms"), std::string::npos) << line;
    EXPECT_NE(line.find("contrast"), std::string::npos) << line;
    EXPECT_NE(line.find("<- 0x168 (keeps 0x68)"), std::string::npos) << line;

    TvSimTransaction read{};
    read.op = TVSIM_OP_READ;
    read.device = 0x88;
    read.result = 0x40;
    EXPECT_NE(FormatTransaction(read, 0).find("(locked)"), std::string::npos);
    EXPECT_EQ(TransactionJson(read)["op"], "read");

    TvSimTransaction block{};
    block.op = TVSIM_OP_BLOCK;
    block.device = 0xC2;
    block.count = 20;
    for (uint8_t i = 0; i < TVSIM_LOG_BYTES; ++i) block.bytes[i] = i;
    line = FormatTransaction(block, 0);
    EXPECT_NE(line.find("0E 0F ...] (20 bytes)"), std::string::npos) << line;
    EXPECT_EQ(TransactionJson(block)["bytes"].size(), TVSIM_LOG_BYTES);
}

TEST(TvctlBusWordsTest, MixerCallsRead) {
    TvMixSimCall count{};
    count.message = MXDM_GETNUMDEVS;
    count.result = 1;  // a device count, not an error code
    EXPECT_NE(FormatMixerCall(count).find("-> 1 device"), std::string::npos) << FormatMixerCall(count);

    TvMixSimCall set{};
    set.message = MXDM_SETCONTROLDETAILS;
    set.controlId = 11;
    set.cChannels = 2;
    set.valueCount = 2;
    set.values[0] = set.values[1] = 70000;
    set.result = MIXERR_INVALVALUE;
    std::string line = FormatMixerCall(set);
    EXPECT_NE(line.find("control 11, 2 channels [70000 70000]"), std::string::npos) << line;
    EXPECT_NE(line.find("MIXERR_INVALVALUE"), std::string::npos) << line;
}

}  // namespace
