// What the plain-I2C and the SMBus transfers share: the address rule, the
// errno classes, and the refusals made before anything reaches the bus.
#pragma once

#include <cstdint>

namespace tvi2c {

// The card names devices by their 8-bit address byte in write form; the
// kernel wants the 7-bit address and sets the direction bit itself, so the
// low bit (read/write) is dropped and 0x89 reaches the same device as 0x88.
inline uint16_t SevenBitAddress(uint16_t device) { return static_cast<uint16_t>(device >> 1); }

// An errno as a result's error class (TVI2C_ERR_UNKNOWN beyond 1..0xEF).
uint32_t ErrnoClass(int error);

// The refusal class for a register read or write, or 0.
uint32_t CheckRegisterTarget(int fd, uint16_t device, uint16_t reg);

// The refusal class for a block write, or 0.
uint32_t CheckBlockTarget(int fd, uint16_t device, const uint8_t *bytes, uint32_t count);

}  // namespace tvi2c
