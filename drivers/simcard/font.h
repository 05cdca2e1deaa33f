// A small bitmap font for the text the simulated card draws into its
// pictures: digits, a few capitals and punctuation, 5x7 dots each.
#pragma once

#include <cstdint>

namespace tvsim::font {

inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 7;
inline constexpr int kAdvance = kGlyphWidth + 1;  // one blank column between characters

// Row `row` (0 at the top) of the glyph for `c`: bit 4 is the leftmost dot.
// Characters without a glyph (and the space) are blank.
uint8_t GlyphRow(char c, int row);

}  // namespace tvsim::font
