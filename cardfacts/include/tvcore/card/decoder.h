// The video decoder: its bus address, register map and bits, the input
// multiplexer values of the two boards, and the range of a picture value.
#pragma once

#include <cstdint>

#include "tvcore/card/read_result.h"

namespace tvcore::card {

inline constexpr uint16_t kDecoderAddress = 0x88;  // video decoder (8-bit write form)

// Video decoder registers (8-bit).
inline constexpr uint8_t kRegStatus = 0x00;      // bit 6: the decoder has locked
inline constexpr uint8_t kRegInput = 0x01;       // bits 6..5: input multiplexer
inline constexpr uint8_t kRegBrightness = 0x0A;  // two's-complement byte
inline constexpr uint8_t kRegControl = 0x0B;     // see the kControl* bits
inline constexpr uint8_t kRegContrastLo = 0x0C;  // low 8 bits of contrast
inline constexpr uint8_t kRegSatULo = 0x0D;      // low 8 bits of saturation U
inline constexpr uint8_t kRegSatVLo = 0x0E;      // low 8 bits of saturation V
inline constexpr uint8_t kRegHue = 0x0F;         // two's-complement byte

inline constexpr uint8_t kInputMuxMask = 0x60;
inline constexpr uint8_t kControlSVideo = 0x40;     // luma/chroma (S-video) mode
inline constexpr uint8_t kControlContrast8 = 0x04;  // bit 8 of contrast
inline constexpr uint8_t kControlSatU8 = 0x02;      // bit 8 of saturation U
inline constexpr uint8_t kControlSatV8 = 0x01;      // bit 8 of saturation V

// Input-multiplexer field values: the standard board's, and the alternative
// board's that a board file can select.
inline constexpr uint8_t kStandardCompositeMux = 0x60;
inline constexpr uint8_t kStandardTunerMux = 0x20;  // the tuner and S-video luma
inline constexpr uint8_t kAlternativeCompositeMux = 0x40;
inline constexpr uint8_t kAlternativeTunerMux = 0x60;

// The decoder's lock report: bit 6 of its status register.
inline constexpr uint8_t kStatusLock = 0x40;

// The lock rule, for a read of the status register made kLockPauseMs
// (tuner.h) after the tuner's block: locked when the read answered and the
// lock bit is set. A failed read is no lock, though its low byte may have
// the bit.
constexpr bool IsLocked(uint32_t statusReadResult) {
    return ReadAnswered(statusReadResult) && (statusReadResult & kStatusLock) != 0;
}

// Brightness, contrast, hue and saturation take values in this range.
inline constexpr uint32_t kPictureMin = 0;
inline constexpr uint32_t kPictureMax = 255;

}  // namespace tvcore::card
