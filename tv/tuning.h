// Tuning: channel number -> tuner block, then the decoder's lock report.
#pragma once

#include <cstdint>

// Tunes channel (low 8 bits of `value`) of the plan that TvState.sourcePlan
// selects. 0 locked, -3 refused (nothing sent), -4 tuned without lock.
int32_t TuneTVChannel(uint32_t value);

// Pauses the card's lock pause (150 ms), then reads the decoder's lock bit: 1 locked, 0 not (also
// when the bus link is down and the read crossed nowhere).
uint32_t CheckTVLock();
