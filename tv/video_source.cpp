// Video source selection: the decoder's input multiplexer and its S-video
// mode, and the channel plan that the tuner inputs select.
#include <optional>

#include "tv/tv_controls.h"
#include "tv/tv_state.h"
#include "tvcore.h"
#include "tvcore/card/decoder.h"

using namespace tvcore::card;

namespace {

struct SourceRow {
    uint32_t sourcePlan;
    bool svideo;   // luma/chroma mode on
    uint8_t mux;   // multiplexer field for the input register
};

// The row of a source value (its low 8 bits); nothing for a refused value.
std::optional<SourceRow> FindSource(uint8_t value) {
    switch (value) {
    case TV_SOURCE_COMPOSITE:
    case TV_SOURCE_COMPOSITE_ALT: return SourceRow{4, false, tvState.compositeMux};
    case TV_SOURCE_SVIDEO: return SourceRow{5, true, tvState.tunerMux};
    case TV_SOURCE_TUNER_CABLE: return SourceRow{1, false, tvState.tunerMux};
    case TV_SOURCE_TUNER_BROADCAST: return SourceRow{0, false, tvState.tunerMux};
    default: return std::nullopt;
    }
}

}  // namespace

int32_t SelectVideoSource(uint32_t value) {
    // Both registers are read before the value is judged, also when it is
    // then refused.
    uint8_t input = static_cast<uint8_t>(I2C_Read(kDecoderAddress, kRegInput));
    uint8_t control = static_cast<uint8_t>(I2C_Read(kDecoderAddress, kRegControl));
    std::optional<SourceRow> row = FindSource(static_cast<uint8_t>(value));
    if (!row) return TV_ERR_BAD_VALUE;

    tvState.sourcePlan = row->sourcePlan;
    control = row->svideo ? static_cast<uint8_t>(control | kControlSVideo)
                          : static_cast<uint8_t>(control & ~kControlSVideo);
    input = static_cast<uint8_t>((input & tvState.inputKeepMask) | row->mux);
    I2C_Write(kDecoderAddress, kRegControl, control);
    I2C_Write(kDecoderAddress, kRegInput, input);
    return TV_OK;
}
