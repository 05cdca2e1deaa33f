// The three bus operations as i2c-dev transfers on an open adapter. Each is
// one I2C_RDWR ioctl or nothing at all; results as in tvi2cdev.h.
#pragma once

#include <cstdint>

namespace tvi2c {

// Register read: register byte written, then one byte read after a repeated
// start, in one combined transfer.
uint32_t ReadRegister(int fd, uint16_t device, uint16_t reg);

// Register write: one message of two bytes, register and the low 8 bits of
// `value`.
uint32_t WriteRegister(int fd, uint16_t device, uint16_t reg, uint16_t value);

// Block write: one message of `count` bytes from `bytes`, no register in front.
uint32_t WriteBlock(int fd, uint16_t device, const uint8_t *bytes, uint32_t count);

}  // namespace tvi2c
