// Writes packed 8-bit RGB pixels to a PNG file.
#pragma once

#include <cstdint>

namespace tvsimdev {

// `rgb` holds `height` lines of `width` pixels, 3 bytes each, no padding.
// Answers false (with a message on standard error) when the file could not
// be written.
bool WritePng(const char *path, const uint8_t *rgb, uint32_t width, uint32_t height);

}  // namespace tvsimdev
