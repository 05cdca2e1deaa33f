// Writes a frame of packed RGB24 pixels (3 bytes a pixel, lines top to
// bottom, no padding) to a PNG or JPEG file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tvctl {

enum class ImageFormat { Png, Jpeg };

// The format a file name's extension asks for: .jpg and .jpeg (any case)
// JPEG, everything else PNG.
ImageFormat ImageFormatOfName(const std::string &path);

// Writes the file, replacing it; "" when done, else the reason it failed.
// `quality` (1-100) is for JPEG only.
std::string WriteImage(const std::string &path, ImageFormat format, const uint8_t *rgb, uint32_t width,
                       uint32_t height, int quality);

// Encodes a JPEG into `out` (replaced); "" when done, else the reason it
// failed.
std::string EncodeJpeg(const uint8_t *rgb, uint32_t width, uint32_t height, int quality, std::vector<uint8_t> &out);

}  // namespace tvctl
