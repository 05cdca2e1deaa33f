// The card's picture in its C API: the registers are copied under the
// card's lock, and the frame is rendered from the copy outside it.
#include "card.h"
#include "picture.h"
#include "tvsim.h"

extern "C" {

uint32_t TvSimFrame(uint64_t frameNumber, uint32_t format, void *buffer, uint32_t size, TvSimFrameInfo *info) {
    return tvsim::RenderFrame(tvsim::PictureSnapshot(), frameNumber, format, buffer, size, info);
}

int32_t TvSimSetFrameSize(uint32_t width, uint32_t height) { return tvsim::SetFrameSize(width, height) ? 1 : 0; }

}  // extern "C"
