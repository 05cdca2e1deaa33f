// The simulated card's devices as the bus driver reaches them. Every call
// takes the card's lock and logs one transaction.
#pragma once

#include <cstdint>

#include "picture.h"

namespace tvsim {

inline constexpr uint16_t kDecoderAddress = 0x88;
inline constexpr uint16_t kTunerAddress = 0xC2;

// Register byte of a device (0..255); 0xFF when no device answers.
uint32_t BusRead(uint16_t device, uint16_t reg);

// Writes the low 8 bits of `value` to a register; a TVSIM_ result.
uint32_t BusWrite(uint16_t device, uint16_t reg, uint16_t value);

// Sends `count` bytes to a device; `bytes` is NULL when the caller's block
// did not translate. A TVSIM_ result.
uint32_t BusWriteBlock(uint16_t device, const uint8_t *bytes, uint32_t count);

// Chooses the state file (TVSIM_STATE) and takes what it holds; when a
// process attaches the link.
void AttachState();

// Whether the driver's connect answers that the bus is there.
bool BusAvailable();

// A copy of what the picture is made from: the decoder's registers, the
// tuner's carrier and lock now, the frame size. Not logged.
PictureState PictureSnapshot();

// The size frames are rendered at; false, keeping the size, when frames of
// that size cannot be made.
bool SetFrameSize(uint32_t width, uint32_t height);

}  // namespace tvsim
