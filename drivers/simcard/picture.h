// The simulated card's picture: a frame made from a copy of the card's
// registers, as its decoder would deliver it. Pure: no lock, no allocation,
// no state between calls, so any thread may render while the card changes.
#pragma once

#include <array>
#include <cstdint>

#include "tvsim.h"

namespace tvsim {

// What a frame is made from, copied from the card under its lock.
struct PictureState {
    std::array<uint8_t, 256> decoder{};
    bool tunerProgrammed = false;
    int32_t carrierSteps = 0;  // the tuned picture carrier in 62.5 kHz steps
    bool locked = false;       // the decoder's lock on the tuner's signal
    uint32_t width = TVSIM_DEFAULT_WIDTH;
    uint32_t height = TVSIM_DEFAULT_HEIGHT;
};

inline constexpr uint32_t kMinFrameSide = 16;
inline constexpr uint32_t kMaxFrameSide = 2048;

// Whether frames of this size can be rendered (width even for 4:2:2).
inline constexpr bool FrameSizeFits(uint32_t width, uint32_t height) {
    return width % 2 == 0 && width >= kMinFrameSide && width <= kMaxFrameSide && height >= kMinFrameSide &&
           height <= kMaxFrameSide;
}

// The input the decoder's multiplexer and S-video bit select (TVSIM_INPUT_).
uint32_t SelectedInput(const std::array<uint8_t, 256> &decoder);

// TvSimFrame on a given state: see tvsim.h.
uint32_t RenderFrame(const PictureState &state, uint64_t frameNumber, uint32_t format, void *buffer, uint32_t size,
                     TvSimFrameInfo *info);

}  // namespace tvsim
