// The pictures the simulated card's sources send, before the decoder's
// picture controls: a test card per station, snow, the two jacks' pictures
// and black. Drawn a line at a time in YUV (BT.601 studio levels: Y 16..235,
// U and V around 0), so a frame needs no buffer of its own.
#pragma once

#include <cstdint>

namespace tvsim {

struct Scene {
    enum class Kind { TestCard, Snow, Composite, SVideo, Black };
    Kind kind = Kind::Black;
    char label[24] = {};        // drawn large across the middle
    int16_t tintU = 0;          // the colour behind the label
    int16_t tintV = 0;
};

// The picture of an input (TVSIM_INPUT_): the tuner's test card only when it
// is locked on the station at `carrierSteps` (62.5 kHz steps), else snow.
Scene SceneFor(uint32_t input, bool locked, int32_t carrierSteps);

// Line `line` of frame `frameNumber` at width x height: `width` samples each
// of y, u and v.
void SourceLine(const Scene &scene, uint64_t frameNumber, uint32_t line, uint32_t width, uint32_t height, uint8_t *y,
                int16_t *u, int16_t *v);

}  // namespace tvsim
