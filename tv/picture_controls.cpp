// Brightness, contrast, hue and saturation on the video decoder.
//
// Contrast and saturation are 9-bit figures: the low 8 bits go to their own
// register (the whole figure crosses the bus; the register keeps the low
// byte) and bit 8 to a bit of the control register, which is read from the
// decoder each time rather than remembered.
#include "tv/tv_controls.h"
#include "tv/tv_state.h"
#include "tvcore.h"
#include "tvcore/card/decoder.h"

using namespace tvcore::card;

namespace {

// Brightness and hue registers take a two's-complement byte; 128 is 0.
uint8_t Centred(uint8_t value) { return static_cast<uint8_t>(value + 128); }

uint8_t WithBit(uint8_t byte, uint8_t bit, bool on) {
    return on ? static_cast<uint8_t>(byte | bit) : static_cast<uint8_t>(byte & ~bit);
}

// Saturation V is U / 1.41, truncated. The integer quotient (200 u/2) / 141
// gives the same figure for every value, checked here for all of them.
constexpr uint32_t SaturationV(uint32_t value) { return 200u * value / 141u; }

constexpr bool SaturationVMatchesTheRatio() {
    for (uint32_t value = 0; value <= 255; ++value)
        if (SaturationV(value) != static_cast<uint32_t>(static_cast<double>(2 * value) / 1.41)) return false;
    return true;
}
static_assert(SaturationVMatchesTheRatio());

}  // namespace

int32_t SetBrightness(uint8_t value) {
    I2C_Write(kDecoderAddress, kRegBrightness, Centred(value));
    tvState.brightness = value;
    return TV_OK;
}

int32_t SetHue(uint8_t value) {
    I2C_Write(kDecoderAddress, kRegHue, Centred(value));
    tvState.hue = value;
    return TV_OK;
}

int32_t SetContrast(uint8_t value) {
    uint8_t control = static_cast<uint8_t>(I2C_Read(kDecoderAddress, kRegControl));
    uint32_t contrast = 2u * value;
    control = WithBit(control, kControlContrast8, contrast > 255);
    I2C_Write(kDecoderAddress, kRegControl, control);
    I2C_Write(kDecoderAddress, kRegContrastLo, contrast);
    tvState.contrast = value;
    return TV_OK;
}

int32_t SetSaturation(uint8_t value) {
    uint8_t control = static_cast<uint8_t>(I2C_Read(kDecoderAddress, kRegControl));
    uint32_t u = 2u * value;
    uint32_t v = SaturationV(value);
    control = WithBit(control, kControlSatU8, u > 255);
    control = WithBit(control, kControlSatV8, v > 255);
    I2C_Write(kDecoderAddress, kRegControl, control);
    I2C_Write(kDecoderAddress, kRegSatULo, u);
    I2C_Write(kDecoderAddress, kRegSatVLo, v);
    tvState.saturation = value;
    return TV_OK;
}
