// The two other North-American cable tables, IRC and HRC, which the
// library's plans do not have: channels 1-125 as in the standard cable plan,
// each with its picture carrier in Hz (HRC carriers are not whole kHz).
//
// Both follow from the standard cable carriers as the public channel charts
// give them (CEA-542 cable channel allocation; e.g.
// https://www.repairfaq.org/samnew/tvfaq/tvnocbfreq.htm and the IRC/HRC chart
// at https://azmanual.top/manuals/326744/contemporary-research-ice-he.html?page=27):
// - IRC (incrementally related carriers): the standard carriers, except
//   channels 5 and 6 at 79.25 and 85.25 MHz (2 MHz up, onto the 6 MHz grid).
// - HRC (harmonically related carriers): every carrier a multiple of the
//   6.0003 MHz comb: the standard carrier 1.25 MHz down (channels 5 and 6:
//   0.75 MHz up), times 6.0003/6. Channel 2: 54.0027 MHz; 7: 174.0087 MHz;
//   100: 648.0324 MHz.
#pragma once

#include <cstdint>

#include "tvcore/card/channel_plans.h"

namespace tvcore::card {

inline constexpr uint64_t kHrcCombHz = 6'000'300;

// Picture carrier of a channel in Hz; 0 where the standard cable plan has
// none (the table has none either).
constexpr uint64_t IrcCarrierHz(uint32_t channel) {
    const uint64_t standardHz = uint64_t{PictureCarrierKHz(kCablePlan, channel)} * 1000;
    if (standardHz == 0) return 0;
    return channel == 5 || channel == 6 ? standardHz + 2'000'000 : standardHz;
}

constexpr uint64_t HrcCarrierHz(uint32_t channel) {
    const uint64_t standardHz = uint64_t{PictureCarrierKHz(kCablePlan, channel)} * 1000;
    if (standardHz == 0) return 0;
    const uint64_t nominalHz = channel == 5 || channel == 6 ? standardHz + 750'000 : standardHz - 1'250'000;
    return nominalHz / 6'000'000 * kHrcCombHz;
}

}  // namespace tvcore::card
