// TvState: the module-wide record of what was last set through the TV
// parameter interface, and the decoder's input-multiplexer values that the
// board configuration may change.
#pragma once

#include <cstdint>

#include "tvcore/card/decoder.h"

struct TvState {
    uint32_t sourcePlan;   // 0 tuner/broadcast plan, 1 tuner/cable plan, 4 composite, 5 S-video
    uint16_t saturation;   // last saturation set
    uint16_t contrast;     // last contrast set
    uint8_t brightness;    // last brightness set
    uint8_t hue;           // last hue set
    uint8_t inputKeepMask; // input-register bits a source change keeps (all but the mux field 0x60)
    uint8_t compositeMux;  // mux field for the composite input (0x40 on the alternative board)
    uint8_t tunerMux;      // mux field for the tuner and S-video luma (0x60 on the alternative board)
    uint8_t channel;       // last channel given to the tuner
};

// Values at load; nothing is written to the card at load.
inline constexpr TvState kTvStateAtLoad = {
    /*sourcePlan*/ 1, /*saturation*/ 128, /*contrast*/ 128, /*brightness*/ 128, /*hue*/ 128,
    /*inputKeepMask*/ static_cast<uint8_t>(~tvcore::card::kInputMuxMask),
    /*compositeMux*/ tvcore::card::kStandardCompositeMux, /*tunerMux*/ tvcore::card::kStandardTunerMux,
    /*channel*/ 0};

extern TvState tvState;
