// The three bus calls as the kernel would receive them: one I2C_RDWR per
// call with the 7-bit address, flags, lengths and bytes of the card's
// transactions, or nothing at all when the driver refuses.
#include <errno.h>

#include <functional>
#include <vector>

#include "driver_fixture.h"

namespace tvtest {
namespace {

using Transfers = DriverTest;

TEST_F(Transfers, ReadIsOneCombinedTransferWithRepeatedStart) {
    ConnectFakeAdapter();
    Fake().AddDevice(0x44);
    Fake().devices[0x44][0x0A] = 0x5A;
    EXPECT_EQ(Read(0x88, 0x0A), 0x5Au);
    ASSERT_EQ(Fake().transfers.size(), 1u);
    EXPECT_EQ(Fake().transfers[0], (SentTransfer{{0x44, 0, 1, {0x0A}}, {0x44, I2C_M_RD, 1, {}}}));
}

TEST_F(Transfers, WriteSendsRegisterAndLowByteOfValue) {
    ConnectFakeAdapter();
    Fake().AddDevice(0x44);
    EXPECT_EQ(Write(0x88, 0x0C, 0x1FE), 0u);
    ASSERT_EQ(Fake().transfers.size(), 1u);
    EXPECT_EQ(Fake().transfers[0], (SentTransfer{{0x44, 0, 2, {0x0C, 0xFE}}}));
    EXPECT_EQ(Read(0x88, 0x0C), 0xFEu);
}

TEST_F(Transfers, BlockWriteSendsBytesInOrderWithNoRegisterInFront) {
    ConnectFakeAdapter();
    Fake().AddDevice(0x61);
    const uint8_t program[4] = {0x0B, 0x2A, 0x8E, 0xA0};
    EXPECT_EQ(WriteBlk(0xC2, program, 4), 0u);
    ASSERT_EQ(Fake().transfers.size(), 1u);
    EXPECT_EQ(Fake().transfers[0], (SentTransfer{{0x61, 0, 4, {0x0B, 0x2A, 0x8E, 0xA0}}}));
}

TEST_F(Transfers, LargestBlockGoesAsOneMessage) {
    ConnectFakeAdapter();
    Fake().AddDevice(0x61);
    std::vector<uint8_t> block(TVI2C_MAX_BLOCK);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 7);
    EXPECT_EQ(WriteBlk(0xC2, block.data(), TVI2C_MAX_BLOCK), 0u);
    ASSERT_EQ(Fake().transfers.size(), 1u);
    ASSERT_EQ(Fake().transfers[0].size(), 1u);
    EXPECT_EQ(Fake().transfers[0][0].len, TVI2C_MAX_BLOCK);
    EXPECT_EQ(Fake().transfers[0][0].bytes, block);
}

// The low bit of the address byte is the read/write bit, which the kernel
// sets from the message flags: odd bytes reach the same device as even ones.
TEST_F(Transfers, AddressByteBecomesSevenBitAddressInEveryOperation) {
    ConnectFakeAdapter();
    struct Case {
        uint16_t byte, address;
    } cases[] = {{0x88, 0x44}, {0x89, 0x44}, {0xC2, 0x61}, {0xC3, 0x61},
                 {0x00, 0x00}, {0x01, 0x00}, {0xFE, 0x7F}, {0xFF, 0x7F}};
    const uint8_t bytes[2] = {1, 2};
    for (const Case &c : cases) {
        Fake().transfers.clear();
        Fake().AddDevice(c.address);
        EXPECT_EQ(Read(c.byte, 1), 0u) << std::hex << c.byte;
        EXPECT_EQ(Write(c.byte, 1, 2), 0u) << std::hex << c.byte;
        EXPECT_EQ(WriteBlk(c.byte, bytes, 2), 0u) << std::hex << c.byte;
        ASSERT_EQ(Fake().transfers.size(), 3u);
        for (const SentTransfer &transfer : Fake().transfers)
            for (const SentMessage &message : transfer) EXPECT_EQ(message.addr, c.address) << std::hex << c.byte;
    }
}

// Words above 8 bits would lose their upper bits on the wire and reach
// another device or register; they are refused instead.
TEST_F(Transfers, DeviceOrRegisterAboveEightBitsIsRefusedUnsent) {
    ConnectFakeAdapter();
    Fake().AddDevice(0x44);
    Fake().AddDevice(0x61);
    const uint8_t bytes[4] = {};
    EXPECT_EQ(Read(0x188, 0), TVI2C_READ_FAILURE(TVI2C_ERR_BAD_DEVICE));
    EXPECT_EQ(Read(0xFFFF, 0), TVI2C_READ_FAILURE(TVI2C_ERR_BAD_DEVICE));
    EXPECT_EQ(Read(0x88, 0x100), TVI2C_READ_FAILURE(TVI2C_ERR_BAD_REGISTER));
    EXPECT_EQ(Write(0x100, 0, 0), TVI2C_WRITE_FAILURE(TVI2C_ERR_BAD_DEVICE));
    EXPECT_EQ(Write(0x88, 0x10C, 0x20), TVI2C_WRITE_FAILURE(TVI2C_ERR_BAD_REGISTER));
    EXPECT_EQ(WriteBlk(0x1C2, bytes, 4), TVI2C_WRITE_FAILURE(TVI2C_ERR_BAD_DEVICE));
    EXPECT_EQ(Fake().rdwrCalls, 0);
}

TEST_F(Transfers, BlockWithoutBytesOrWithUnsendableCountIsRefusedUnsent) {
    ConnectFakeAdapter();
    Fake().AddDevice(0x61);
    // Big enough for every count below, so a driver that sent anyway would
    // show up as a transfer, not as a stray read.
    std::vector<uint8_t> bytes(0x10004, 0xAB);
    DWORD released = SMapLS_IP_EBP_12(bytes.data());
    SUnMapLS_IP_EBP_12(released);
    struct Case {
        const char *what;
        DWORD block;  // 1: a live value for `bytes`
        uint32_t count;
        uint32_t errorClass;
    } cases[] = {
        {"NULL block", 0, 4, TVI2C_ERR_NULL_BLOCK},
        {"released value", released, 4, TVI2C_ERR_NULL_BLOCK},
        {"value never made", 0x12340000u, 4, TVI2C_ERR_NULL_BLOCK},
        {"count 0", 1, 0, TVI2C_ERR_BAD_COUNT},
        {"one past the largest", 1, TVI2C_MAX_BLOCK + 1, TVI2C_ERR_BAD_COUNT},
        {"16-bit length wraps to 0", 1, 0x10000, TVI2C_ERR_BAD_COUNT},
        {"16-bit length wraps to 4", 1, 0x10004, TVI2C_ERR_BAD_COUNT},
        {"count far beyond", 1, 0xFFFFFFFFu, TVI2C_ERR_BAD_COUNT},
    };
    for (const Case &c : cases) {
        DWORD block = c.block == 1 ? SMapLS_IP_EBP_12(bytes.data()) : c.block;
        EXPECT_EQ(Driver().block->writeBlk(0xC2, block, c.count), TVI2C_WRITE_FAILURE(c.errorClass)) << c.what;
        if (c.block == 1) SUnMapLS_IP_EBP_12(block);
    }
    EXPECT_EQ(Fake().rdwrCalls, 0);
}

// A failed transfer is answered with the kernel's errno as its class, once:
// the driver never tries again. Errno values beyond the class range are
// answered as unknown rather than cut into another class.
TEST_F(Transfers, KernelErrorIsAnsweredAfterExactlyOneAttempt) {
    ConnectFakeAdapter();
    Fake().AddDevice(0x44);
    const uint8_t bytes[4] = {1, 2, 3, 4};
    struct Case {
        int error;
        uint32_t errorClass;
    } cases[] = {
        {EREMOTEIO, EREMOTEIO}, {ENXIO, ENXIO}, {ETIMEDOUT, ETIMEDOUT}, {EAGAIN, EAGAIN}, {EIO, EIO},
        {0xEF, 0xEF}, {0xF0, TVI2C_ERR_UNKNOWN}, {0x1FF, TVI2C_ERR_UNKNOWN}, {300, TVI2C_ERR_UNKNOWN},
    };
    for (const Case &c : cases) {
        Fake().rdwrErrno = c.error;
        Fake().rdwrCalls = 0;
        EXPECT_EQ(Read(0x88, 0x1F), TVI2C_READ_FAILURE(c.errorClass)) << c.error;
        EXPECT_EQ(Write(0x88, 0x0C, 0x12), TVI2C_WRITE_FAILURE(c.errorClass)) << c.error;
        EXPECT_EQ(WriteBlk(0x88, bytes, 4), TVI2C_WRITE_FAILURE(c.errorClass)) << c.error;
        EXPECT_EQ(Fake().rdwrCalls, 3) << c.error;
    }
}

// No acknowledge from an empty address: the read's low byte is 0xFF, as an
// idle bus reads, and the class tells why.
TEST_F(Transfers, ReadFromAbsentDeviceLooksLikeIdleBus) {
    ConnectFakeAdapter();
    uint32_t result = Read(0x88, 0x1F);
    EXPECT_EQ(result & 0xFFu, 0xFFu);
    EXPECT_TRUE(TVI2C_RESULT_FAILED(result));
    EXPECT_EQ(TVI2C_RESULT_CLASS(result), static_cast<uint32_t>(ENXIO));
    EXPECT_FALSE(TVI2C_RESULT_FAILED(0xFFu)) << "a register that holds 0xFF is no failure";
}

TEST_F(Transfers, KernelDoingFewerMessagesThanSentIsAnError) {
    ConnectFakeAdapter();
    Fake().AddDevice(0x44);
    Fake().rdwrAnswer = 1;
    EXPECT_EQ(Read(0x88, 0), TVI2C_READ_FAILURE(TVI2C_ERR_SHORT));
    Fake().rdwrAnswer = 0;
    EXPECT_EQ(Write(0x88, 0, 0), TVI2C_WRITE_FAILURE(TVI2C_ERR_SHORT));
}

TEST_F(Transfers, NothingIsSentWithoutAnOpenAdapter) {
    const uint8_t bytes[4] = {};
    auto expectRefused = [&](const char *when) {
        EXPECT_EQ(Read(0x88, 0), TVI2C_READ_FAILURE(TVI2C_ERR_NOT_OPEN)) << when;
        EXPECT_EQ(Write(0x88, 0, 0), TVI2C_WRITE_FAILURE(TVI2C_ERR_NOT_OPEN)) << when;
        EXPECT_EQ(WriteBlk(0xC2, bytes, 4), TVI2C_WRITE_FAILURE(TVI2C_ERR_NOT_OPEN)) << when;
    };
    expectRefused("before attach");
    ConnectFakeAdapter();
    Connect(DLL_PROCESS_DETACH);
    expectRefused("after detach");
    EXPECT_EQ(Fake().rdwrCalls, 0);
}

// An SMBus-only adapter (the kernel's i2c-stub offers this set): each call
// is one SMBus transfer at the 7-bit address, and no I2C_RDWR is made.
class SmbusTransfers : public DriverTest {
protected:
    void ConnectSmbus(unsigned long functions = I2C_FUNC_SMBUS_QUICK | I2C_FUNC_SMBUS_BYTE |
                                                I2C_FUNC_SMBUS_BYTE_DATA | I2C_FUNC_SMBUS_WORD_DATA |
                                                I2C_FUNC_SMBUS_I2C_BLOCK) {
        Fake().nodes[kFakeDevice].functions = functions;
        ConnectFakeAdapter();
        Fake().AddDevice(0x44);
        Fake().AddDevice(0x61);
    }
};

TEST_F(SmbusTransfers, EachCallIsOneSmbusTransfer) {
    ConnectSmbus();
    std::vector<uint8_t> longest(TVI2C_SMBUS_MAX_BLOCK);
    for (size_t i = 0; i < longest.size(); ++i) longest[i] = static_cast<uint8_t>(0x80 + i);
    const uint8_t program[4] = {0x0B, 0x2A, 0x8E, 0xA0};
    const uint8_t one[1] = {0x05};
    struct Case {
        const char *what;
        std::function<uint32_t()> call;
        uint32_t result;
        SentSmbus sent;
    } cases[] = {
        {"write", [this] { return Write(0x88, 0x0C, 0x1FE); }, 0,
         {0x44, I2C_SMBUS_WRITE, 0x0C, I2C_SMBUS_BYTE_DATA, {0xFE}}},
        {"read back", [this] { return Read(0x89, 0x0C); }, 0xFE,
         {0x44, I2C_SMBUS_READ, 0x0C, I2C_SMBUS_BYTE_DATA, {}}},
        {"tuner block", [&] { return WriteBlk(0xC2, program, 4); }, 0,
         {0x61, I2C_SMBUS_WRITE, 0x0B, I2C_SMBUS_I2C_BLOCK_DATA, {0x2A, 0x8E, 0xA0}}},
        {"longest block", [&] { return WriteBlk(0xC2, longest.data(), TVI2C_SMBUS_MAX_BLOCK); },
         0, {0x61, I2C_SMBUS_WRITE, 0x80, I2C_SMBUS_I2C_BLOCK_DATA, {longest.begin() + 1, longest.end()}}},
        {"one-byte block", [&] { return WriteBlk(0xC2, one, 1); }, 0,
         {0x61, I2C_SMBUS_WRITE, 0x05, I2C_SMBUS_BYTE, {}}},
    };
    for (const Case &c : cases) {
        Fake().smbus.clear();
        EXPECT_EQ(c.call(), c.result) << c.what;
        EXPECT_EQ(Fake().smbus, std::vector<SentSmbus>{c.sent}) << c.what;
    }
    EXPECT_EQ(std::vector<uint8_t>(Fake().devices[0x61].begin() + 0x0B, Fake().devices[0x61].begin() + 0x0E),
              (std::vector<uint8_t>{0x2A, 0x8E, 0xA0}))
        << "the block's data bytes land from the command register on";
    EXPECT_EQ(Fake().rdwrCalls, 0);
}

// What an SMBus transfer cannot carry is refused before anything is sent;
// what the kernel refuses comes back with its errno, once.
TEST_F(SmbusTransfers, RefusalsAndKernelErrors) {
    std::vector<uint8_t> bytes(TVI2C_SMBUS_MAX_BLOCK + 1, 0x11);
    struct Case {
        const char *what;
        unsigned long functions;  // 0: the full SMBus set
        int slaveErrno, transferErrno;
        uint32_t count;
        uint32_t blockResult, readResult;
        size_t sent;  // SMBus requests made by the block write and the read
    } cases[] = {
        {"block one too long", 0, 0, 0, TVI2C_SMBUS_MAX_BLOCK + 1, TVI2C_WRITE_FAILURE(TVI2C_ERR_BLOCK_TOO_LONG), 0x11,
         1},
        {"no I2C-block write", I2C_FUNC_SMBUS_BYTE_DATA, 0, 0, 4, TVI2C_WRITE_FAILURE(TVI2C_ERR_NO_BLOCK_WRITE), 0x11,
         1},
        {"no write-byte", I2C_FUNC_SMBUS_BYTE_DATA | I2C_FUNC_SMBUS_I2C_BLOCK, 0, 0, 1,
         TVI2C_WRITE_FAILURE(TVI2C_ERR_NO_BLOCK_WRITE), 0x11, 1},
        {"address claimed by a kernel driver", 0, EBUSY, 0, 4, TVI2C_WRITE_FAILURE(EBUSY), TVI2C_READ_FAILURE(EBUSY),
         0},
        {"no acknowledge", 0, 0, ENXIO, 4, TVI2C_WRITE_FAILURE(ENXIO), TVI2C_READ_FAILURE(ENXIO), 2},
    };
    for (const Case &c : cases) {
        TearDown();
        SetUp();
        if (c.functions != 0) ConnectSmbus(c.functions);
        else ConnectSmbus();
        Fake().devices[0x61][0x20] = 0x11;
        Fake().slaveErrno = c.slaveErrno;
        Fake().rdwrErrno = c.transferErrno;
        EXPECT_EQ(WriteBlk(0xC2, bytes.data(), c.count), c.blockResult) << c.what;
        EXPECT_EQ(Read(0xC2, 0x20), c.readResult) << c.what;
        EXPECT_EQ(Fake().smbus.size(), c.sent) << c.what;
        EXPECT_EQ(Fake().devices[0x61][0x00], 0) << c.what << ": nothing stored";
    }
}

}  // namespace
}  // namespace tvtest
