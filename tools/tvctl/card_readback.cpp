#include "card_readback.h"

#include <fmt/format.h>

#include "tvcore/card/decoder.h"

namespace tvctl {

using namespace tvcore::card;

namespace {

// Brightness and hue are stored as two's-complement bytes with 128 as 0.
uint32_t Uncentred(uint8_t stored) { return static_cast<uint8_t>(stored + 128); }

// A 9-bit figure: the low byte, and bit 8 from the control register.
uint32_t NineBit(uint8_t low, uint8_t control, uint8_t bit8) { return ((control & bit8) ? 256u : 0u) | low; }

}  // namespace

CardPicture ReadBackPicture(const DecoderPicture &registers, bool alternativeBoard) {
    CardPicture card;
    card.brightness = Uncentred(registers.brightness);
    card.hue = Uncentred(registers.hue);
    card.contrast = NineBit(registers.contrast, registers.control, kControlContrast8) / 2;
    card.saturation = NineBit(registers.saturationU, registers.control, kControlSatU8) / 2;
    card.mux = registers.input & kInputMuxMask;
    const uint8_t compositeMux = alternativeBoard ? kAlternativeCompositeMux : kStandardCompositeMux;
    const uint8_t tunerMux = alternativeBoard ? kAlternativeTunerMux : kStandardTunerMux;
    if (registers.control & kControlSVideo)
        card.input = "svideo";
    else if (card.mux == compositeMux)
        card.input = "composite";
    else if (card.mux == tunerMux)
        card.input = "tuner";
    else
        card.input = fmt::format("multiplexer 0x{:02X}", card.mux);
    return card;
}

}  // namespace tvctl
