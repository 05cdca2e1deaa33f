// Brightness, contrast, hue and saturation on the video decoder.
//
// The encoding is the card's (tvcore/card/picture.h). Contrast and
// saturation are 9-bit figures: the whole figure crosses the bus to its own
// register, which keeps the low byte, and bit 8 goes to a bit of the control
// register, which is read from the decoder each time rather than remembered.
#include "tv/tv_controls.h"
#include "tv/tv_state.h"
#include "tvcore.h"
#include "tvcore/card/decoder.h"
#include "tvcore/card/picture.h"

namespace tvcore {

using namespace card;

int32_t SetBrightness(uint8_t value) {
    I2C_Write(kDecoderAddress, kRegBrightness, CentredByte(value));
    tvState.brightness = value;
    return TV_OK;
}

int32_t SetHue(uint8_t value) {
    I2C_Write(kDecoderAddress, kRegHue, CentredByte(value));
    tvState.hue = value;
    return TV_OK;
}

int32_t SetContrast(uint8_t value) {
    uint8_t control = static_cast<uint8_t>(I2C_Read(kDecoderAddress, kRegControl));
    uint32_t contrast = NineBitFigure(value);
    control = ControlWithBit8(control, kControlContrast8, contrast);
    I2C_Write(kDecoderAddress, kRegControl, control);
    I2C_Write(kDecoderAddress, kRegContrastLo, contrast);
    tvState.contrast = value;
    return TV_OK;
}

int32_t SetSaturation(uint8_t value) {
    uint8_t control = static_cast<uint8_t>(I2C_Read(kDecoderAddress, kRegControl));
    uint32_t u = NineBitFigure(value);
    uint32_t v = SaturationVFigure(u);
    control = ControlWithBit8(control, kControlSatU8, u);
    control = ControlWithBit8(control, kControlSatV8, v);
    I2C_Write(kDecoderAddress, kRegControl, control);
    I2C_Write(kDecoderAddress, kRegSatULo, u);
    I2C_Write(kDecoderAddress, kRegSatVLo, v);
    tvState.saturation = value;
    return TV_OK;
}

}  // namespace tvcore
