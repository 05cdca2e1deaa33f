// What the card holds, read back from the video decoder's registers and put
// in the library's terms: the inverse of what SetTVParam writes. The tuner
// cannot be read back (its status byte is all it answers).
#pragma once

#include <cstdint>
#include <string>

namespace tvctl {

// The decoder registers the library writes.
struct DecoderPicture {
    uint8_t input = 0, control = 0, brightness = 0, contrast = 0, saturationU = 0, saturationV = 0, hue = 0;
};

// The registers in the library's values. Contrast and saturation are 9-bit
// figures (twice the value) with bit 8 in the control register; an odd
// figure, which the library never writes, reads as the value below it.
struct CardPicture {
    uint32_t brightness = 0, contrast = 0, hue = 0, saturation = 0;
    std::string input;  // "composite", "svideo", "tuner", or "multiplexer 0xNN" when no input of the board
    uint8_t mux = 0;    // the input register's multiplexer field
};

// `alternativeBoard`: the board file selects the alternative board, whose
// inputs sit on other multiplexer values.
CardPicture ReadBackPicture(const DecoderPicture &registers, bool alternativeBoard);

// True when the board file the library reads selects the alternative board
// (read and scanned as the library does; see cmd_config.cpp).
bool LibraryBoardIsAlternative();

}  // namespace tvctl
