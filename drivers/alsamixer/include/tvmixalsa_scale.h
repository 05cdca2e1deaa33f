// The mixer's volume scale (0..65535, what applications written for the
// Windows mixer expect) mapped linearly onto a card's own range min..max,
// which may be signed (-50..100) or tiny (0..31). Both directions round to
// the nearest value (an exact half goes up), so:
// - a card value read and written back is the same card value (when the
//   range has at most 65536 values), and
// - a scale value written and read back is the scale value of the card value
//   nearest to it, not always the value written.
#pragma once

#include <cstdint>

namespace tvmixalsa {

inline constexpr uint32_t kScaleMax = 65535;

// A card's volume range; usable when max > min.
struct CardRange {
    int64_t min = 0, max = 0;
    constexpr uint64_t Span() const { return static_cast<uint64_t>(max) - static_cast<uint64_t>(min); }
    constexpr bool Usable() const { return max > min; }
};

// The card value for scale value `scale` (at most kScaleMax) on a usable range.
constexpr int64_t ScaleToCard(uint32_t scale, CardRange range) {
    using Wide = unsigned __int128;
    Wide steps = (Wide{scale} * range.Span() + kScaleMax / 2) / kScaleMax;
    return static_cast<int64_t>(static_cast<uint64_t>(range.min) + static_cast<uint64_t>(steps));
}

// The scale value for card value `card` on a usable range; a value outside
// the range (a card that reports one) counts as the nearest end.
constexpr uint32_t CardToScale(int64_t card, CardRange range) {
    if (card <= range.min) return 0;
    if (card >= range.max) return kScaleMax;
    using Wide = unsigned __int128;
    uint64_t above = static_cast<uint64_t>(card) - static_cast<uint64_t>(range.min);
    Wide span = range.Span();
    return static_cast<uint32_t>((Wide{above} * kScaleMax + span / 2) / span);
}

}  // namespace tvmixalsa
