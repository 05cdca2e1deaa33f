// Bus results and log entries in words, per bus driver.
#include <gtest/gtest.h>

#include "bus_words.h"
#include "driver_simcard.h"
#include "driver_simmixer.h"
#include "support/test_env.h"
#include "tvhost/mixer_driver.h"
#include "tvhost/win32.h"

namespace {

using namespace tvctl;

// Each driver's results in its own words (its tvbusDescribeResult), asked
// of the real driver modules; a driver without words is shown by number.
TEST(TvctlBusWordsTest, ResultsInTheDriversOwnWords) {
    const std::string sim = tvtest::ModuleDir() + "/tvbus16.so";
    const std::string i2c = tvtest::ModuleDir() + "/i2cdev/tvbus16.so";
    const std::string v4l2 = tvtest::ModuleDir() + "/v4l2/tvbus16.so";
    struct Case {
        std::string driver;  // "": a driver without words
        uint32_t call, result;
        const char *words;
    } cases[] = {
        {sim, TVBUS_CALL_WRITE, 0, ""},
        {sim, TVBUS_CALL_WRITE, TVSIM_NO_ACK, "no device acknowledged at that address"},
        {sim, TVBUS_CALL_WRITE_BLK, TVSIM_BAD_BLOCK, "the device does not take a transfer of that length"},
        {sim, TVBUS_CALL_READ, 0x40, ""},
        {sim, TVBUS_CALL_READ, TVSIM_READ_FAILED, "the read failed after the device answered"},
        {sim, TVBUS_CALL_WRITE, 0xFFFFFFFFu, "the library has no bus link"},
        {"", TVBUS_CALL_WRITE, 7, "the bus driver answered 7"},
        {"", TVBUS_CALL_READ, 0x1FF, "the bus driver answered 0x000001FF"},
#ifdef TVCTL_HAVE_I2CDEV
        {i2c, TVBUS_CALL_WRITE, 121u << 8, "the kernel answered errno 121 (Remote I/O error): no device acknowledged"},
        {i2c, TVBUS_CALL_WRITE, 110u << 8, "the kernel answered errno 110 (Connection timed out)"},
        {i2c, TVBUS_CALL_WRITE_BLK, 0xF4u << 8, "the block length is 0 or above 8192 bytes"},
        {i2c, TVBUS_CALL_WRITE_BLK, 0xF6u << 8, "the adapter does SMBus only, and the block is longer than 33 bytes"},
        {i2c, TVBUS_CALL_WRITE_BLK, 0xF7u << 8,
         "the adapter does SMBus only, without the block write this block needs"},
        {i2c, TVBUS_CALL_READ, 0xF0FFu, "no adapter is open"},
        {i2c, TVBUS_CALL_WRITE, 0xF9u << 8, "error class 0xF9"},
#endif
#ifdef TVCTL_HAVE_V4L2
        {v4l2, TVBUS_CALL_WRITE_BLK, 0xF6u << 8, "the frequency is outside the tuner's range: not tuned"},
        {v4l2, TVBUS_CALL_READ, (5u << 8) | 0x40, "a V4L2 request failed with errno 5 (Input/output error)"},
#endif
    };
    for (const Case &c : cases) {
        HMODULE module = c.driver.empty() ? nullptr : LoadLibraryA(c.driver.c_str());
        ASSERT_EQ(module == nullptr, c.driver.empty()) << c.driver;
        const BusWords words = FindBusWords(module);
        const std::string said = c.call == TVBUS_CALL_READ ? DescribeReadFailure(words, c.result)
                                                           : DescribeWriteResult(words, c.call, c.result);
        EXPECT_EQ(said, c.words) << c.driver << " " << c.result;
        if (module != nullptr) FreeLibrary(module);
    }
    EXPECT_FALSE(ReadFailed(0xFF));  // an idle bus byte is still a byte
    EXPECT_TRUE(ReadFailed(0x1FF));

    HMODULE card = LoadLibraryA(sim.c_str());
    EXPECT_EQ(BusDevice(FindBusWords(card)), "simulated card");
    FreeLibrary(card);
    EXPECT_EQ(BusDevice(BusWords{}), "an unknown bus driver");
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
