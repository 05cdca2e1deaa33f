#include "card_readback.h"

#include <fmt/format.h>

#include "tvcore/card/decoder.h"
#include "tvcore/card/picture.h"

namespace tvctl {

using namespace tvcore::card;

CardPicture ReadBackPicture(const DecoderPicture &registers, bool alternativeBoard) {
    CardPicture card;
    card.brightness = ValueOfCentredByte(registers.brightness);
    card.hue = ValueOfCentredByte(registers.hue);
    card.contrast = ValueOfNineBitFigure(JoinNineBit(registers.contrast, registers.control, kControlContrast8));
    card.saturation = ValueOfNineBitFigure(JoinNineBit(registers.saturationU, registers.control, kControlSatU8));
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
