// A fake i2c-dev at the driver's system-call boundary: device nodes that can
// be opened, the messages each I2C_RDWR would hand the kernel, and devices on
// the bus that answer register reads. Paths outside /dev reach the real
// system calls, so a fake sysfs tree can live in a temporary directory.
#pragma once

#include <linux/i2c.h>

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "tvi2cdev.h"

namespace tvtest {

struct SentMessage {
    uint16_t addr;
    uint16_t flags;
    uint16_t len;
    std::vector<uint8_t> bytes;  // the bytes written; empty for a read message

    bool operator==(const SentMessage &) const = default;
};

std::ostream &operator<<(std::ostream &out, const SentMessage &message);

using SentTransfer = std::vector<SentMessage>;

// One I2C_SMBUS request as the kernel would receive it, with the address
// last set by I2C_SLAVE; `data` holds the bytes written (the block's data
// bytes for an I2C-block write, the byte for a byte-data write).
struct SentSmbus {
    uint16_t addr;
    uint8_t readWrite;
    uint8_t command;
    uint32_t size;
    std::vector<uint8_t> data;

    bool operator==(const SentSmbus &) const = default;
};

std::ostream &operator<<(std::ostream &out, const SentSmbus &request);

struct FakeNode {
    unsigned long functions = I2C_FUNC_I2C | I2C_FUNC_SMBUS_EMUL;
    int funcsErrno = 0;  // nonzero: I2C_FUNCS fails with this errno
    int openErrno = 0;   // nonzero: opening the node fails with this errno
};

struct FakeI2c {
    std::map<std::string, FakeNode> nodes;  // device paths that open
    std::map<uint16_t, std::vector<uint8_t>> devices;  // 7-bit address -> 256 registers
    int rdwrErrno = 0;     // nonzero: I2C_RDWR fails with this errno
    int rdwrAnswer = -1;   // >= 0: I2C_RDWR answers this instead of the message count

    std::vector<std::string> opened;  // every path the driver opened (devices only)
    std::vector<int> openFlags;
    std::map<int, std::string> openFds;  // fake descriptors not yet closed, and their device
    std::vector<SentTransfer> transfers;
    int rdwrCalls = 0;
    std::vector<SentSmbus> smbus;  // every I2C_SMBUS request
    int slaveErrno = 0;            // nonzero: I2C_SLAVE fails with this errno (EBUSY: claimed)
    std::map<int, uint16_t> slaveAddress;  // per descriptor, the address I2C_SLAVE set

    // A device with every register at `fill`.
    void AddDevice(uint16_t address, uint8_t fill = 0) { devices[address].assign(256, fill); }
};

// The fake in force; cleared by ResetFake().
FakeI2c &Fake();
void ResetFake();

// The driver's table pointing at the fake.
TvI2cSysCalls FakeSysCalls();

}  // namespace tvtest
