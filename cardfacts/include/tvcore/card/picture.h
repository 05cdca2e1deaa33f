// How a picture value (kPictureMin..kPictureMax) is held in the decoder's
// registers, and the way back: what the library writes, what a driver that
// models the decoder and a tool that reads the card back decode.
//
// Brightness and hue: a two's-complement byte, the middle of the range (128)
// stored as 0. Contrast and saturation: a 9-bit figure, twice the value, its
// low byte in the control's own register and bit 8 in the control register.
// Saturation V follows U at the decoder's fixed ratio of 1.41.
#pragma once

#include <cstdint>

namespace tvcore::card {

inline constexpr uint32_t kPictureMiddle = 128;
inline constexpr uint32_t kNineBit8 = 0x100;     // bit 8 of a 9-bit figure
inline constexpr uint32_t kNineBitMax = 0x1FF;

constexpr uint8_t CentredByte(uint32_t value) { return static_cast<uint8_t>(value + kPictureMiddle); }
constexpr uint32_t ValueOfCentredByte(uint8_t stored) { return static_cast<uint8_t>(stored + kPictureMiddle); }

constexpr uint32_t NineBitFigure(uint32_t value) { return 2 * value; }
// An odd figure, which the library never writes, reads as the value below.
constexpr uint32_t ValueOfNineBitFigure(uint32_t figure) { return figure / 2; }

// The control register with `bit8InControl` set to a figure's bit 8, its
// other bits as they were.
constexpr uint8_t ControlWithBit8(uint8_t control, uint8_t bit8InControl, uint32_t figure) {
    return (figure & kNineBit8) != 0 ? static_cast<uint8_t>(control | bit8InControl)
                                     : static_cast<uint8_t>(control & ~bit8InControl);
}

// A figure from its register's low byte and its bit 8 in the control register.
constexpr uint32_t JoinNineBit(uint8_t low, uint8_t control, uint8_t bit8InControl) {
    return ((control & bit8InControl) != 0 ? kNineBit8 : 0u) | low;
}

// Saturation V's figure for U's: U / 1.41, truncated.
constexpr uint32_t SaturationVFigure(uint32_t saturationUFigure) { return saturationUFigure * 100u / 141u; }

}  // namespace tvcore::card
