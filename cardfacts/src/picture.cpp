// The picture encoding against its rules, proved at compile time over the
// whole range: every value comes back from its registers, every figure fits
// its 9 bits, and saturation V is U / 1.41.
#include "tvcore/card/decoder.h"
#include "tvcore/card/picture.h"

#include <initializer_list>

namespace tvcore::card {
namespace {

constexpr bool EveryValueRoundTrips() {
    for (uint32_t value = kPictureMin; value <= kPictureMax; ++value) {
        if (ValueOfCentredByte(CentredByte(value)) != value) return false;
        const uint32_t figure = NineBitFigure(value);
        if (figure > kNineBitMax) return false;
        // Whatever the control register's other bits hold.
        for (uint8_t control : {uint8_t{0x00}, uint8_t{0xFF}}) {
            const uint8_t written = ControlWithBit8(control, kControlSatU8, figure);
            if ((written & ~kControlSatU8) != (control & ~kControlSatU8)) return false;
            if (ValueOfNineBitFigure(JoinNineBit(static_cast<uint8_t>(figure), written, kControlSatU8)) != value)
                return false;
        }
    }
    return true;
}
static_assert(EveryValueRoundTrips());

// The integer quotient gives the ratio's figure, truncated, for every value.
constexpr bool SaturationVMatchesTheRatio() {
    for (uint32_t value = kPictureMin; value <= kPictureMax; ++value)
        if (SaturationVFigure(NineBitFigure(value)) != static_cast<uint32_t>(static_cast<double>(2 * value) / 1.41))
            return false;
    return SaturationVFigure(kNineBitMax) <= kNineBitMax;
}
static_assert(SaturationVMatchesTheRatio());

// Two's complement: the lowest value is -128, the middle 0, the highest 127.
static_assert(CentredByte(kPictureMin) == 0x80 && CentredByte(kPictureMiddle) == 0x00 &&
              CentredByte(kPictureMax) == 0x7F);

}  // namespace
}  // namespace tvcore::card
