// The three bus operations as SMBus transfers, for adapters that do no plain
// I2C (I2C_FUNC_I2C missing) but offer SMBus byte-data reads and writes.
// Each is one I2C_SMBUS ioctl after the device's address is set on the
// descriptor (I2C_SLAVE), or nothing at all; results as in tvi2cdev.h.
#pragma once

#include <cstdint>

namespace tvi2c {

// What an SMBus-only adapter offers, from its I2C_FUNCS answer.
struct SmbusAbilities {
    bool byteData;    // read and write byte-data: register reads and writes
    bool writeByte;   // write byte (command only): a block of one byte
    bool i2cBlock;    // I2C-block write: a block of 2..33 bytes
};

SmbusAbilities SmbusAbilitiesOf(unsigned long functions);

// Register read: one SMBus read-byte-data with `reg` as the command.
uint32_t SmbusReadRegister(int fd, uint16_t device, uint16_t reg);

// Register write: one SMBus write-byte-data, `reg` as the command and the
// low 8 bits of `value` as the data.
uint32_t SmbusWriteRegister(int fd, uint16_t device, uint16_t reg, uint16_t value);

// Block write: the first byte as the command and the rest as data of one
// I2C-block write (the same bytes on the wire as a plain write message);
// a block of one byte as one write-byte. Longer blocks than one transfer
// carries are refused, never split.
uint32_t SmbusWriteBlock(int fd, const SmbusAbilities &abilities, uint16_t device, const uint8_t *bytes,
                         uint32_t count);

}  // namespace tvi2c
