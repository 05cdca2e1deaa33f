// The TV parameter interface: six numbered parameters set and read by id.
#include "tv/tuning.h"
#include "tv/tv_controls.h"
#include "tv/tv_state.h"
#include "tvcore.h"
#include "tvcore/card/decoder.h"

using tvcore::card::kPictureMax;

int32_t TVCORE_CALL SetTVParam(uint32_t id, uint32_t value) {
    switch (id) {
    case TV_PARAM_SOURCE: return SelectVideoSource(value);
    case TV_PARAM_CHANNEL: return TuneTVChannel(value);
    case TV_PARAM_BRIGHTNESS:
    case TV_PARAM_CONTRAST:
    case TV_PARAM_HUE:
    case TV_PARAM_SATURATION: break;
    default: return TV_ERR_BAD_PARAM;
    }
    // The whole 32-bit value is judged, before anything is touched.
    if (value > kPictureMax) return TV_ERR_BAD_VALUE;
    uint8_t picture = static_cast<uint8_t>(value);
    switch (id) {
    case TV_PARAM_BRIGHTNESS: return SetBrightness(picture);
    case TV_PARAM_CONTRAST: return SetContrast(picture);
    case TV_PARAM_HUE: return SetHue(picture);
    default: return SetSaturation(picture);
    }
}

int32_t TVCORE_CALL GetTVParam(uint32_t id) {
    switch (id) {
    case TV_PARAM_SOURCE: return 1;  // the source is not read back
    case TV_PARAM_CHANNEL: return tvState.channel;
    case TV_PARAM_BRIGHTNESS: return tvState.brightness;
    case TV_PARAM_CONTRAST: return tvState.contrast;
    case TV_PARAM_HUE: return tvState.hue;
    case TV_PARAM_SATURATION: return tvState.saturation;
    default: return TV_ERR_BAD_PARAM;
    }
}
